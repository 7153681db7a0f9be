#include "boards/KeyDrop.h"

#include <algorithm>
#include <cctype>
#include <tuple>

#include "common/Folders.h"
#include "common/NumberText.h"
#include "document/WaveBuffers.h"
#include "sound/KeyPlayer.h"

namespace tambrel {

namespace {

std::string Lower(std::string_view s) {
    std::string l(s);
    std::transform(l.begin(), l.end(), l.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return l;
}

} // namespace

std::vector<KeyAddress> KeysFrom(const ProgramState& st, KeyAddress at, std::size_t count) {
    std::vector<KeyAddress> keys;
    if (!st.Orc.ValidKey(at) || count == 0) return keys;
    const SubBoard& sb = st.Orc.Set(at.playBoard.value).Bd(at.subBoard.value);
    const InputDevice* d = st.Device(sb.InpDevNo);
    if (!d) return keys;
    const std::size_t shown =
        std::min({static_cast<std::size_t>(std::max(d->KeyCount, 0)), d->Layout.Keys.size(), sb.Keys.size()});
    if (static_cast<std::size_t>(at.key.value) > shown) return keys;
    // Board order: by the rectangles of the last drawing, top row first.
    std::vector<std::int32_t> order;
    for (std::size_t i = 0; i < shown; ++i) order.push_back(static_cast<std::int32_t>(i + 1));
    auto place = [d](std::int32_t k) {
        const LayoutKey& l = d->Layout.Keys[static_cast<std::size_t>(k - 1)];
        return std::make_tuple(l.Top, l.Left, k);
    };
    std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) { return place(a) < place(b); });
    auto from = std::find(order.begin(), order.end(), at.key.value);
    for (; from != order.end() && keys.size() < count; ++from)
        keys.push_back({at.playBoard, at.subBoard, KeyNo{*from}});
    return keys;
}

int DropSoundFiles(ProgramState& st, KeyPlayer& player, KeyAddress at, std::vector<std::string> files) {
    const std::size_t given = files.size();
    files.erase(std::remove_if(files.begin(), files.end(), [](const std::string& f) { return !IsSoundFileName(f); }),
                files.end());
    if (files.empty()) {
        st.shell.Message("None of the dropped files is a sound file a key can play.", kDropTitle, MsgButtons::Ok);
        return 0;
    }
    // Name order, as a file manager lists them (letter case aside).
    std::stable_sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        return std::make_pair(Lower(FileTitleOf(a)), FileTitleOf(a)) <
               std::make_pair(Lower(FileTitleOf(b)), FileTitleOf(b));
    });
    const std::vector<KeyAddress> keys = KeysFrom(st, at, files.size());
    if (keys.empty()) return 0;

    std::size_t taken = 0;
    for (const KeyAddress& k : keys)
        if (st.Orc.FindKey(k)->SndSrc != kSrcNone) ++taken;
    if (taken > 0) {
        const std::string text =
            taken == 1 ? "1 key already has a sound. Replace it?"
                       : IntText(static_cast<std::int64_t>(taken)) + " keys already have a sound. Replace them?";
        if (st.shell.Message(text, kDropTitle, MsgButtons::YesNo) != MsgAnswer::Yes) return 0;
    }

    std::vector<std::string> problems;
    int loaded = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        // A question or message above kept the event loop running: the key
        // may be gone.
        KeyAssign* key = st.Orc.FindKey(keys[i]);
        if (!key) continue;
        // Loaded beside the key first, so a file that cannot be used leaves
        // the key exactly as it was.
        KeyAssign trial;
        trial.SndSrc = kSrcWave;
        const std::size_t before = problems.size();
        LoadWaveForKey(files[i], trial, st.shell, &problems);
        if (!trial.SndBuf || trial.WavFile != files[i]) {
            if (problems.size() == before) problems.push_back(files[i] + ": the file holds no sound a key can play");
            continue;
        }
        player.CancelPending(keys[i]);
        player.StopKey(keys[i]);
        player.StopDupCopies(keys[i]);
        key = st.Orc.FindKey(keys[i]);
        if (!key) continue;
        if (key->SndSrc != kSrcWave) key->Looping = kVbFalse;
        key->SndSrc = kSrcWave;
        key->SndBuf = std::move(trial.SndBuf);
        key->WavFile = trial.WavFile;
        key->WavBytes = trial.WavBytes;
        CalcWaveDur(*key);
        st.SetModified();
        st.views.Post(notice::ShowKeyIcon{keys[i]});
        ++loaded;
    }
    if (loaded > 0) st.views.Post(notice::ShowPlayAssignment{});

    std::string text;
    if (keys.size() < files.size())
        text += IntText(static_cast<std::int64_t>(files.size() - keys.size())) +
                " of the files did not fit: the board has no more keys after this one.\r\n";
    if (given > files.size())
        text += IntText(static_cast<std::int64_t>(given - files.size())) + " of the files are not sound files.\r\n";
    for (const std::string& p : problems) text += p + "\r\n";
    if (!text.empty()) st.shell.Message(text, kDropTitle, MsgButtons::Ok);
    return loaded;
}

} // namespace tambrel
