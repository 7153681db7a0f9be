#include "document/WaveBuffers.h"

#include <limits>
#include <optional>
#include <utility>

#include "common/NumberText.h"
#include "common/Shell.h"
#include "audio/SoundFile.h"
#include "audio/WaveFile.h"

namespace tambrel {

namespace {

// The format fields arrive from wave files and from Orchestra files alike, so
// they are checked before anything derived from them (block size, bytes per
// second) is computed.
bool UsableFormat(std::int32_t bits, std::int32_t channels, std::int32_t rate) {
    if (bits != 8 && bits != 16) return false;
    if (channels != 1 && channels != 2) return false;
    // Average bytes per second must stay a 32-bit number.
    return rate > 0 && rate <= std::numeric_limits<std::int32_t>::max() / (bits / 8 * channels);
}

// A long decode shows the busy pointer and how far it has come in the
// second status panel; a wave the parser takes at once shows neither.
class StatusProgress : public DecodeProgress {
public:
    explicit StatusProgress(Shell& shell) : shell_(shell) {}
    ~StatusProgress() override {
        if (busy_) shell_.Busy(false);
    }
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

    void Advanced(double fraction) override {
        if (!busy_) {
            busy_ = true;
            shell_.Busy(true);
        }
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == shown_) return;
        shown_ = percent;
        shell_.Status("Loading Wave File " + std::to_string(percent) + "%");
    }

private:
    Shell& shell_;
    bool busy_ = false;
    int shown_ = -1;
};

} // namespace

bool CreateWaveBuffer(WaveData& w, SoundBufferRef& buf) {
    if (!UsableFormat(w.BitsPerSample, w.Channels, w.SampleRate)) return false;
    if (w.ByteCount <= 0 || w.Data.size() < static_cast<std::size_t>(w.ByteCount)) return false;

    const WaveFormat format{w.BitsPerSample, w.Channels, w.SampleRate};
    // The buffer holds exactly ByteCount bytes, as its callers record that
    // number in the key (WavBytes) and in the Orchestra file.
    w.Data.resize(static_cast<std::size_t>(w.ByteCount));
    auto made = std::make_shared<SoundBuffer>(format, std::move(w.Data));
    w.Data.clear();
    buf = std::move(made);
    return true;
}

bool ReadWaveBuffer(const SoundBufferRef& buf, std::int32_t n, WaveData& w, bool withData) {
    if (!buf || n <= 0) return false;
    const WaveFormat& f = buf->Format();
    if (f.BitsPerSample == 0 || f.Channels == 0 || f.SampleRate == 0) return false;
    // A buffer not made here could carry any format; a block of 0 bytes
    // (under 8 bits) would leave no frame count to compute.
    if (f.BitsPerSample < 8 || f.Channels < 0) return false;
    // Never read past the buffer's samples.
    if (static_cast<std::size_t>(n) > buf->ByteSize()) return false;

    const std::int64_t block = std::int64_t(f.BitsPerSample / 8) * f.Channels;
    w.BitsPerSample = f.BitsPerSample;
    w.Channels = f.Channels;
    w.SampleRate = f.SampleRate;
    w.ByteCount = n;
    w.Frames = RoundHalfEven(static_cast<double>(n) / static_cast<double>(block));
    if (withData) w.Data.assign(buf->Bytes(), buf->Bytes() + n);
    return true;
}

void LoadWaveForKey(const std::string& path, KeyAssign& key, Shell& shell, std::vector<std::string>* problems) {
    shell.Status("Loading Wave File");
    WaveData w;
    std::optional<WaveProblem> problem;
    StatusProgress progress(shell);
    if (ReadSoundFile(path, w, problem, &progress) && CreateWaveBuffer(w, key.SndBuf)) {
        key.WavFile = path;
        key.WavBytes = w.ByteCount;
    } else if (problem && problems) {
        problems->push_back(path + ": " + (problem->text.empty() ? problem->title : problem->text));
    } else if (problem) {
        shell.Message(problem->text, problem->title, MsgButtons::Ok);
    }
    CalcWaveDur(key);
    shell.Status(" ");
}

void CalcWaveDur(KeyAssign& key) {
    key.WaveDur = 0.0f;
    if (key.SndSrc != kSrcWave || !key.SndBuf) return;
    const WaveFormat& f = key.SndBuf->Format();
    // In double: a buffer's format is not guaranteed to come from here.
    const double avg = static_cast<double>(f.SampleRate) * (f.BitsPerSample / 8) * f.Channels;
    if (avg <= 0.0) return;
    key.WaveDur = static_cast<float>(static_cast<double>(key.SndBuf->ByteSize()) / avg);
}

} // namespace tambrel
