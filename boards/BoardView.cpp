#include "boards/BoardView.h"

#include <algorithm>

#include "boards/KeyIcon.h"
#include "boards/KeySoundName.h"
#include "boards/LayOutBoard.h"

namespace tambrel {

namespace {

// The keys a board shows: the device's keys that its layout places.
std::int32_t ShownKeys(const InputDevice& device) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(std::max(device.KeyCount, 0), static_cast<std::int64_t>(device.Layout.Keys.size())));
}

// A Sub Board holds one assignment per key of its device: keys that still
// fit keep theirs, added ones are empty.
void MatchKeyCount(SubBoard& sb, const InputDevice& device) {
    const std::size_t n = static_cast<std::size_t>(std::max(device.KeyCount, 0));
    if (sb.Keys.size() != n) sb.Keys.resize(n);
}

} // namespace

PlayBoard* BoardView::Board() { return st_.Orc.ValidSet(p_) ? &st_.Orc.Set(p_) : nullptr; }
const PlayBoard* BoardView::Board() const { return st_.Orc.ValidSet(p_) ? &st_.Orc.Set(p_) : nullptr; }

InputDevice* BoardView::DeviceOf(const SubBoard& sb) {
    return st_.Device(sb.InpDevNo) ? &st_.InputDevices[static_cast<std::size_t>(sb.InpDevNo - 1)] : nullptr;
}
const InputDevice* BoardView::DeviceOf(const SubBoard& sb) const { return st_.Device(sb.InpDevNo); }

std::string BoardView::UpdateTableCaption(bool minimised) const {
    const PlayBoard* pb = Board();
    if (!pb) return {};
    return minimised ? pb->SetNam : "Play Table : " + pb->SetNam;
}

std::string BoardView::UpdateBoardCaption(std::int32_t subBoard) const {
    const PlayBoard* pb = Board();
    if (!pb || subBoard < 1 || subBoard > pb->BodNos()) return {};
    const SubBoard& sb = pb->Bd(subBoard);
    // A board whose device is not here names the device its file asked for.
    const InputDevice* d = DeviceOf(sb);
    return "Board Name: " + sb.BodNam + " (Device: " + (d ? d->Name : sb.InpDev) + ")";
}

std::optional<BoardSurface> BoardView::DrawBoard(std::int32_t subBoard) {
    PlayBoard* pb = Board();
    if (!pb || subBoard < 1 || subBoard > pb->BodNos()) return std::nullopt;
    SubBoard& sb = pb->Bd(subBoard);

    BoardSurface s;
    s.SubBoard = subBoard;
    s.Caption = UpdateBoardCaption(subBoard);
    InputDevice* d = DeviceOf(sb);
    if (!d) {
        // Normal after opening a file made with other devices: the board keeps
        // its place in the stack and its keys, but shows only its caption.
        s.Width = MinSurfaceWidth;
        s.Height = MinSurfaceHeight;
        s.Picture.Width = s.Width;
        s.Picture.Height = s.Height;
        return s;
    }
    s.DevicePresent = true;
    MatchKeyCount(sb, *d);

    const bool current = pb->CurBd == subBoard;
    const std::int32_t highlight = st_.Orc.CurSet == p_ && current ? sb.CurKey : 0;
    s.Picture = LayOutBoard(d->Layout, d->KeyLabels, highlight);
    s.Width = s.Picture.Width;
    s.Height = s.Picture.Height;
    const std::int32_t n = ShownKeys(*d);
    s.Keys.reserve(static_cast<std::size_t>(n));
    for (std::int32_t k = 1; k <= n; ++k)
        s.Keys.push_back(DescribeBoardKey(d->Layout.Keys[static_cast<std::size_t>(k - 1)], k, sb.Key(k),
                                          current && sb.CurKey == k, highlight == k, KeySoundName(st_.Orc, sb.Key(k))));
    return s;
}

BoardViewPicture BoardView::DrawBoardsAll() {
    BoardViewPicture v;
    v.PlayBoard = p_;
    const PlayBoard* pb = Board();
    if (!pb) return v;
    v.Title = UpdateTableCaption(false);
    v.MinimisedTitle = UpdateTableCaption(true);

    // Boards are stacked top to bottom, those of absent devices too, so a
    // caption-only board never sits over another one.
    std::int32_t y = 0, width = 0;
    for (std::int32_t i = 1; i <= pb->BodNos(); ++i) {
        std::optional<BoardSurface> s = DrawBoard(i);
        if (!s) continue;
        s->Left = 0;
        s->Top = y;
        width = std::max(width, s->Width);
        y = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + s->Height, INT32_MAX - 4));
        v.Surfaces.push_back(std::move(*s));
    }
    v.ClientWidth = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{width} + 3, INT32_MAX));
    v.ClientHeight = y + 4;
    return v;
}

std::optional<BoardKey> BoardView::ShowKeyIcon(SubBoardNo subBoardNo, KeyNo keyNo) const {
    const std::int32_t subBoard = subBoardNo.value, key = keyNo.value;
    const PlayBoard* pb = Board();
    if (!pb || subBoard < 1 || subBoard > pb->BodNos()) return std::nullopt;
    const SubBoard& sb = pb->Bd(subBoard);
    const InputDevice* d = DeviceOf(sb);
    if (!d || key < 1 || key > ShownKeys(*d) || key > sb.KeyNos()) return std::nullopt;
    const bool current = pb->CurBd == subBoard && sb.CurKey == key;
    return DescribeBoardKey(d->Layout.Keys[static_cast<std::size_t>(key - 1)], key, sb.Key(key), current,
                            current && st_.Orc.CurSet == p_, KeySoundName(st_.Orc, sb.Key(key)));
}

std::int32_t BoardView::KeyAt(std::int32_t subBoard, std::int32_t x, std::int32_t y) const {
    const PlayBoard* pb = Board();
    if (!pb || subBoard < 1 || subBoard > pb->BodNos()) return 0;
    const SubBoard& sb = pb->Bd(subBoard);
    const InputDevice* d = DeviceOf(sb);
    if (!d) return 0;
    const std::int32_t hit = HitKey(d->Layout, x, y);
    return hit <= ShownKeys(*d) && static_cast<std::size_t>(hit) <= sb.Keys.size() ? hit : 0;
}

void BoardView::MousePressed(std::int32_t subBoard, std::int32_t x, std::int32_t y, MouseButton button) {
    PlayBoard* pb = Board();
    if (!pb || subBoard < 1 || subBoard > pb->BodNos()) return;
    const std::int32_t wasSet = st_.Orc.CurSet, wasBd = pb->CurBd;
    st_.Orc.CurSet = p_;
    pb->CurBd = subBoard;
    SubBoard& sb = pb->Bd(subBoard);
    sb.CurKey = 0;

    std::int32_t hit = 0;
    if (InputDevice* d = DeviceOf(sb)) {
        // The key counts are matched before the hit test, so the edit key
        // always names a key the Sub Board holds.
        MatchKeyCount(sb, *d);
        hit = HitKey(d->Layout, x, y);
        if (hit > ShownKeys(*d)) hit = 0;
    }
    sb.CurKey = hit;
    if (hit) {
        st_.EditSet = p_;
        st_.EditBd = subBoard;
        st_.EditKey = hit;
        st_.EditKeyValid = kVbTrue;
    } else {
        st_.EditSet = st_.EditBd = st_.EditKey = 0;
        st_.EditKeyValid = kVbFalse;
    }
    st_.views.Post(notice::ShowPlayAssignment{});
    st_.views.Post(notice::RedrawBoard{PlayBoardNo{p_}, SubBoardNo{subBoard}});
    // The highlight left the board that was current before, here or on the
    // Play Board that was active before: that board is painted again too.
    if (wasSet == p_ && wasBd != subBoard && wasBd >= 1 && wasBd <= pb->BodNos())
        st_.views.Post(notice::RedrawBoard{PlayBoardNo{p_}, SubBoardNo{wasBd}});
    if (wasSet != p_ && st_.Orc.ValidSet(wasSet)) {
        const std::int32_t b = st_.Orc.Set(wasSet).CurBd;
        if (b >= 1 && b <= st_.Orc.Set(wasSet).BodNos())
            st_.views.Post(notice::RedrawBoard{PlayBoardNo{wasSet}, SubBoardNo{b}});
    }
    if (button == MouseButton::Right && hit)
        st_.views.Post(notice::ShowKeyMenu{{PlayBoardNo{p_}, SubBoardNo{subBoard}, KeyNo{hit}}});
}

void BoardView::BackgroundPressed(MouseButton button) {
    if (button == MouseButton::Right && Board()) st_.views.Post(notice::ShowPlayTableMenu{PlayBoardNo{p_}});
}

void BoardView::Activated() {
    PlayBoard* pb = Board();
    if (!pb) return;
    st_.Orc.CurSet = p_;
    st_.views.Post(notice::ShowActivePlayBoard{});
    if (st_.EditSet == p_) return;
    st_.EditSet = p_;
    st_.EditBd = pb->CurBd;
    st_.EditKey = pb->CurBd >= 1 && pb->CurBd <= pb->BodNos() ? pb->Bd(pb->CurBd).CurKey : 0;
    // The edit key is valid only when it names a key that exists: a Play
    // Board whose boards were never clicked has no current board or key.
    st_.EditKeyValid = st_.Orc.ValidKey(st_.EditAddress()) ? kVbTrue : kVbFalse;
    st_.views.Post(notice::ShowPlayAssignment{});
}

} // namespace tambrel
