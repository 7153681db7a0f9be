#include "audio/SoundDecoder.h"
#include "audio/sndfile/OggPages.h"

#include <samplerate.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace tambrel {

namespace {

// Frames read from the file per step: small enough for steady progress,
// large enough that the per-call cost of both libraries vanishes.
constexpr sf_count_t kChunkFrames = 16384;
// Silence fed after the end so the resampler gives its tail out.
constexpr sf_count_t kFlushFrames = 1024;
// Rates the resampler is asked to convert; libsamplerate takes ratios up to
// 256 either way, and nothing outside these is a real recording.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
// Channels the decoder accepts; libsndfile itself allows up to 1024.
constexpr int kMaxChannels = 256;
// Room reserved up front, never more: a header may claim any length.
constexpr std::int64_t kMaxReserveBytes = std::int64_t(8) << 20;

struct SndCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndPtr = std::unique_ptr<SNDFILE, SndCloser>;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct SrcCloser {
    void operator()(SRC_STATE* s) const { src_delete(s); }
};
using SrcPtr = std::unique_ptr<SRC_STATE, SrcCloser>;

// libsndfile's text without its "Error : " prefix.
std::string Words(const char* text) {
    std::string words = text ? text : "";
    if (words.rfind("Error : ", 0) == 0) words.erase(0, 8);
    return words;
}

DecodeResult Fail(DecodeFailure why, std::string text) {
    DecodeResult r;
    r.failure = why;
    r.text = std::move(text);
    return r;
}

std::string FormatName(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    const int sub = format & SF_FORMAT_SUBMASK;
    std::string width;
    switch (sub) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: width = " 8-bit"; break;
    case SF_FORMAT_PCM_16: width = " 16-bit"; break;
    case SF_FORMAT_PCM_24: width = " 24-bit"; break;
    case SF_FORMAT_PCM_32: width = " 32-bit"; break;
    case SF_FORMAT_FLOAT: width = " 32-bit float"; break;
    case SF_FORMAT_DOUBLE: width = " 64-bit float"; break;
    default: break;
    }
    switch (major) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64: return "WAV" + width;
    case SF_FORMAT_AIFF: return "AIFF" + width;
    case SF_FORMAT_FLAC: return "FLAC" + width;
    case SF_FORMAT_MPEG: return "MP3";
    case SF_FORMAT_OGG: return sub == SF_FORMAT_OPUS ? "Opus" : "Ogg Vorbis";
    default: break;
    }
    SF_FORMAT_INFO info{};
    info.format = major;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 && info.name) return info.name + width;
    return "sound file" + width;
}

// Output frames for `frames` input frames at `rate`, rounded up.
std::int64_t OutputFrames(std::int64_t frames, int rate) {
    const long double f = static_cast<long double>(frames) * kDecodedRate / rate;
    return static_cast<std::int64_t>(std::min<long double>(std::ceil(f), 9.0e18L));
}

std::string TooLargeText(std::int64_t bytes, std::int64_t maxBytes, bool atLeast) {
    // atLeast: the file did not say its length, and decoding passed the limit.
    if (atLeast)
        return "The sound is too long: decoded, it would take more than the " + ByteSizeText(maxBytes) +
               " a key can hold";
    return "The sound is too long: decoded, it would take " + ByteSizeText(bytes) + ", more than the " +
           ByteSizeText(maxBytes) + " a key can hold";
}

// Mixes one frame of `channels` samples down to `out` (1 or 2) samples.
// More than two channels: the first two are left and right, every further
// one goes to both sides at half its level, and the sum is scaled so that
// a frame of equal channels keeps its level and nothing can clip.
void MixFrame(const float* in, int channels, float* out, int outChannels) {
    auto clean = [](float x) { return std::isfinite(x) ? x : 0.0f; };
    if (channels <= 2) {
        for (int c = 0; c < outChannels; ++c) out[c] = clean(in[c]);
        return;
    }
    float shared = 0.0f;
    for (int c = 2; c < channels; ++c) shared += clean(in[c]);
    const float scale = 1.0f / (1.0f + 0.5f * static_cast<float>(channels - 2));
    out[0] = (clean(in[0]) + 0.5f * shared) * scale;
    out[1] = (clean(in[1]) + 0.5f * shared) * scale;
}

class Decoder {
public:
    // oggCut: an Ogg file whose last page does not end its stream.
    Decoder(SNDFILE* f, const SF_INFO& info, DecodeProgress* progress, std::int64_t maxBytes, bool oggCut)
        : f_(f), info_(info), progress_(progress), maxBytes_(maxBytes), oggCut_(oggCut) {}

    DecodeResult Run(WaveData& w) {
        DecodeResult r;
        r.sourceFormat = FormatName(info_.format);
        r.sourceChannels = info_.channels;
        r.sourceRate = info_.samplerate;
        r.sourceFrames = info_.frames;
        auto fail = [&r](DecodeFailure why, std::string text) {
            r.failure = why;
            r.text = std::move(text);
            return r;
        };
        if (info_.channels < 1 || info_.channels > kMaxChannels)
            return fail(DecodeFailure::Unsupported, "The file has " + std::to_string(info_.channels) +
                                                        " channels; at most " + std::to_string(kMaxChannels) +
                                                        " can be mixed down");
        if (info_.samplerate < kMinRate || info_.samplerate > kMaxRate)
            return fail(DecodeFailure::Unsupported, "Sampling rate ( " + std::to_string(info_.samplerate) +
                                                        ") not supported: only " + std::to_string(kMinRate) + " to " +
                                                        std::to_string(kMaxRate) + " Hz can be converted");
        if (HeaderPromisesMore())
            return fail(DecodeFailure::Damaged, "The file is cut short: its header promises more sound than it holds");
        outChannels_ = info_.channels == 1 ? 1 : 2;
        known_ = info_.frames > 0 && info_.frames < SF_COUNT_MAX;
        if (known_) {
            const std::int64_t out = OutputFrames(info_.frames, info_.samplerate);
            const long double bytes = static_cast<long double>(out) * outChannels_ * 2;
            if (bytes > static_cast<long double>(maxBytes_))
                return fail(
                    DecodeFailure::TooLarge,
                    TooLargeText(static_cast<std::int64_t>(std::min<long double>(bytes, 9.0e18L)), maxBytes_, false));
            samples_.reserve(
                static_cast<std::size_t>(std::min<std::int64_t>(out * outChannels_, kMaxReserveBytes / 2)));
        }
        if (info_.samplerate != kDecodedRate) {
            int err = 0;
            src_.reset(src_new(SRC_SINC_MEDIUM_QUALITY, outChannels_, &err));
            if (!src_)
                return fail(DecodeFailure::Unsupported, std::string("The resampler failed: ") + src_strerror(err));
        }

        std::vector<float> in(static_cast<std::size_t>(kChunkFrames) * info_.channels);
        std::vector<float> mixed(static_cast<std::size_t>(kChunkFrames) * outChannels_);
        std::int64_t read = 0;
        int lastPercent = 0;
        // At once, also for a file of unknown length (Opus, streams): the
        // caller shows the busy pointer from here on.
        if (progress_) progress_->Advanced(0.0);
        for (;;) {
            const sf_count_t got = sf_readf_float(f_, in.data(), kChunkFrames);
            if (got > 0) {
                for (sf_count_t i = 0; i < got; ++i)
                    MixFrame(in.data() + i * info_.channels, info_.channels, mixed.data() + i * outChannels_,
                             outChannels_);
                if (!Emit(mixed.data(), got, false)) break;
                read += got;
                if (progress_ && known_) {
                    const int percent = static_cast<int>(std::min<std::int64_t>(100, read * 100 / info_.frames));
                    if (percent != lastPercent) {
                        lastPercent = percent;
                        progress_->Advanced(percent / 100.0);
                    }
                }
            }
            if (got < kChunkFrames) break;
        }
        if (tooLarge_) return fail(DecodeFailure::TooLarge, TooLargeText(maxBytes_, maxBytes_, true));
        if (error_.size()) return fail(DecodeFailure::Unsupported, error_);
        if (sf_error(f_) != SF_ERR_NO_ERROR)
            return fail(DecodeFailure::Damaged, "The file is damaged: " + Words(sf_strerror(f_)));
        // The header promised more than the file holds, or an Ogg stream
        // stops without its last page: a cut-off download or copy. Playing
        // the part that is there would hide that.
        if (oggCut_)
            return fail(DecodeFailure::Damaged, "The file is cut short: its Ogg stream stops before its last page");
        if (known_ && read < info_.frames)
            return fail(DecodeFailure::Damaged, "The file is cut short: it holds " + std::to_string(read) + " of its " +
                                                    std::to_string(info_.frames) + " sample frames");
        if (read == 0) return fail(DecodeFailure::Empty, "The file holds no sound");
        // The resampler holds back the last few milliseconds even at the end
        // of its input: feed it silence, then keep exactly the length the
        // source has at the new rate.
        std::fill(mixed.begin(), mixed.end(), 0.0f);
        if (src_ && (!Emit(mixed.data(), kFlushFrames, false) || !Emit(nullptr, 0, true))) {
            if (tooLarge_) return fail(DecodeFailure::TooLarge, TooLargeText(maxBytes_, maxBytes_, true));
            return fail(DecodeFailure::Unsupported, error_);
        }
        const auto want =
            static_cast<std::size_t>(OutputFrames(read, info_.samplerate)) * static_cast<std::size_t>(outChannels_);
        if (samples_.size() > want) samples_.resize(want);
        if (samples_.empty()) return fail(DecodeFailure::Empty, "The file holds no sound");

        w.BitsPerSample = kDecodedBits;
        w.Channels = outChannels_;
        w.SampleRate = kDecodedRate;
        w.Frames = static_cast<std::int32_t>(samples_.size() / static_cast<std::size_t>(outChannels_));
        w.ByteCount = w.Frames * outChannels_ * 2;
        w.Data.resize(static_cast<std::size_t>(w.ByteCount));
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            const auto v = static_cast<std::uint16_t>(samples_[i]);
            w.Data[2 * i] = static_cast<std::uint8_t>(v & 0xFF);
            w.Data[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
        }
        if (progress_ && lastPercent != 100) progress_->Advanced(1.0);
        return r;
    }

private:
    // WAV and AIFF readers take a file whose data chunk runs past its end
    // as holding what is there; their log says so ("data : 288000 (should
    // be 6000)", "Chunk size 176408 > file length 100000").
    bool HeaderPromisesMore() const {
        std::vector<char> log(16384);
        sf_command(f_, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size()));
        const std::string text(log.data());
        std::size_t at = 0;
        while ((at = text.find("\ndata : ", at)) != std::string::npos) {
            const std::size_t end = text.find('\n', at + 1);
            if (text.substr(at, end - at).find("(should be") != std::string::npos) return true;
            at = end;
        }
        return text.find("> file length") != std::string::npos;
    }

    // Passes `frames` mixed frames through the resampler (when the rate
    // differs) into samples_; `last` flushes the resampler's tail.
    bool Emit(const float* frames, sf_count_t count, bool last) {
        if (!src_) {
            if (last) return true;
            return Store(frames, count);
        }
        const double ratio = static_cast<double>(kDecodedRate) / info_.samplerate;
        out_.resize(
            static_cast<std::size_t>((std::ceil(static_cast<double>(kChunkFrames) * ratio) + 64) * outChannels_));
        const long capacity = static_cast<long>(out_.size() / static_cast<std::size_t>(outChannels_));
        SRC_DATA d{};
        d.data_in = frames;
        d.input_frames = static_cast<long>(count);
        d.src_ratio = ratio;
        d.end_of_input = last ? 1 : 0;
        // The resampler may leave input or hold back output; go on until it
        // has taken everything and, at the end, given everything.
        for (int guard = 0; guard < 1 << 20; ++guard) {
            d.data_out = out_.data();
            d.output_frames = capacity;
            if (const int err = src_process(src_.get(), &d); err != 0) {
                error_ = std::string("The resampler failed: ") + src_strerror(err);
                return false;
            }
            if (!Store(out_.data(), d.output_frames_gen)) return false;
            d.data_in += d.input_frames_used * outChannels_;
            d.input_frames -= d.input_frames_used;
            if (d.input_frames <= 0 && (!last || d.output_frames_gen == 0)) return true;
        }
        error_ = "The resampler did not finish";
        return false;
    }

    bool Store(const float* frames, long count) {
        const std::size_t add = static_cast<std::size_t>(count) * static_cast<std::size_t>(outChannels_);
        if (static_cast<std::int64_t>((samples_.size() + add) * 2) > maxBytes_) {
            tooLarge_ = true;
            return false;
        }
        for (std::size_t i = 0; i < add; ++i) {
            const float x = std::clamp(frames[i], -1.0f, 1.0f);
            samples_.push_back(static_cast<std::int16_t>(std::lrint(x * 32767.0f)));
        }
        return true;
    }

    SNDFILE* f_;
    SF_INFO info_;
    DecodeProgress* progress_;
    std::int64_t maxBytes_;
    int outChannels_ = 1;
    bool known_ = false;
    bool oggCut_ = false;
    bool tooLarge_ = false;
    std::string error_;
    SrcPtr src_;
    std::vector<float> out_;
    std::vector<std::int16_t> samples_;
};

bool IsOgg(const SF_INFO& info) { return (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG; }

DecodeResult DecodeOpen(SNDFILE* f, const SF_INFO& info, WaveData& w, DecodeProgress* progress, std::int64_t maxBytes,
                        bool oggCut) {
    try {
        WaveData made;
        DecodeResult r = Decoder(f, info, progress, maxBytes, oggCut).Run(made);
        if (r.Ok()) w = std::move(made);
        return r;
    } catch (const std::bad_alloc&) {
        return Fail(DecodeFailure::TooLarge, "Out of memory while decoding");
    } catch (const std::length_error&) {
        return Fail(DecodeFailure::TooLarge, "Out of memory while decoding");
    }
}

std::string OpenFailureText() {
    // libsndfile's own words for why it could not open the file, which
    // name the fault ("Channel count is zero.") without the path.
    return "The file is damaged or not a sound file: " + Words(sf_strerror(nullptr));
}

DecodeFailure OpenFailureKind() {
    const int err = sf_error(nullptr);
    if (err == SF_ERR_UNRECOGNISED_FORMAT) return DecodeFailure::NotSound;
    // A short file of text makes the MP3 probe seek past its end: no
    // sound file at all rather than a damaged one.
    const std::string words = sf_strerror(nullptr);
    if (words.find("offset beyond end of file") != std::string::npos) return DecodeFailure::NotSound;
    return DecodeFailure::Damaged;
}

constexpr const char* kNotSoundText =
    "The file is not a sound file of a known kind (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3), or it is damaged";

// libsndfile's virtual I/O over bytes in memory.
struct Memory {
    const std::uint8_t* data;
    sf_count_t size;
    sf_count_t at = 0;
};

sf_count_t MemLength(void* user) { return static_cast<Memory*>(user)->size; }
sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
    auto* m = static_cast<Memory*>(user);
    sf_count_t to = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m->at + offset : m->size + offset;
    if (to < 0 || to > m->size) return -1;
    m->at = to;
    return to;
}
sf_count_t MemRead(void* ptr, sf_count_t count, void* user) {
    auto* m = static_cast<Memory*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(m->size - m->at, 0, std::max<sf_count_t>(count, 0));
    if (n > 0) std::memcpy(ptr, m->data + m->at, static_cast<std::size_t>(n));
    m->at += n;
    return n;
}
sf_count_t MemWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t MemTell(void* user) { return static_cast<Memory*>(user)->at; }

} // namespace

DecodeResult DecodeSoundFile(const std::string& path, WaveData& w, DecodeProgress* progress, std::int64_t maxBytes) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const int err = errno;
        return Fail(DecodeFailure::Unreadable, "The file cannot be read: " + (err ? std::generic_category().message(err)
                                                                                  : std::string("unknown")));
    }
    if (std::fseek(file.get(), 0, SEEK_END) == 0 && std::ftell(file.get()) == 0)
        return Fail(DecodeFailure::Empty, "The file is empty");
    std::rewind(file.get());

    SF_INFO info{};
    SndPtr snd(sf_open_fd(fileno(file.get()), SFM_READ, &info, SF_FALSE));
    if (!snd) {
        const DecodeFailure kind = OpenFailureKind();
        return Fail(kind, kind == DecodeFailure::NotSound ? kNotSoundText : OpenFailureText());
    }
    bool oggCut = false;
    if (IsOgg(info)) {
        // Read beside libsndfile, without moving its position.
        const int fd = fileno(file.get());
        struct stat st {};
        const off_t size = fstat(fd, &st) == 0 ? st.st_size : 0;
        const off_t from = std::max<off_t>(0, size - static_cast<off_t>(kOggTailBytes));
        std::vector<std::uint8_t> tail(static_cast<std::size_t>(std::max<off_t>(0, size - from)));
        const ssize_t got = tail.empty() ? 0 : pread(fd, tail.data(), tail.size(), from);
        oggCut = got < 0 || !OggStreamEnded(tail.data(), static_cast<std::size_t>(got));
    }
    return DecodeOpen(snd.get(), info, w, progress, maxBytes, oggCut);
}

DecodeResult DecodeSoundBytes(const std::uint8_t* data, std::size_t size, WaveData& w, std::int64_t maxBytes) {
    if (size == 0) return Fail(DecodeFailure::Empty, "The file is empty");
    Memory mem{data, static_cast<sf_count_t>(size)};
    SF_VIRTUAL_IO io{MemLength, MemSeek, MemRead, MemWrite, MemTell};
    SF_INFO info{};
    SndPtr snd(sf_open_virtual(&io, SFM_READ, &info, &mem));
    if (!snd) {
        const DecodeFailure kind = OpenFailureKind();
        return Fail(kind, kind == DecodeFailure::NotSound ? kNotSoundText : OpenFailureText());
    }
    const std::size_t tail = std::min(size, kOggTailBytes);
    const bool oggCut = IsOgg(info) && !OggStreamEnded(data + size - tail, tail);
    return DecodeOpen(snd.get(), info, w, nullptr, maxBytes, oggCut);
}

std::string ByteSizeText(std::int64_t bytes) {
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    long double v = static_cast<long double>(bytes);
    int u = 0;
    while (v >= 1024.0L && u < 6) {
        v /= 1024.0L;
        ++u;
    }
    char text[48];
    if (u == 0) std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    else if (v < 10.0L && v != std::floor(v)) std::snprintf(text, sizeof text, "%.1Lf %s", v, units[u]);
    else std::snprintf(text, sizeof text, "%.0Lf %s", v, units[u]);
    return text;
}

} // namespace tambrel
