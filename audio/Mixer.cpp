#include "audio/Mixer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tambrel {
namespace {

constexpr int kChunkVoices = 1024;
constexpr int kMaxChunks = 1024; // a million voices at most
constexpr std::size_t kRingSize = 1 << 16;
constexpr std::uint64_t kOne = std::uint64_t{1} << 32; // 32.32 fixed point

enum class Op : std::uint8_t { Bind, Play, Stop, Rewind, Release };

struct Command {
    Op op;
    bool looping;
    int slot;
    std::uint32_t seq;
    const std::uint8_t* data;
    std::uint32_t frames;
    std::uint64_t step;
    std::int16_t bits, channels;
};

// Audio-thread state of one voice; endedSeq and released are how the audio
// thread answers the user-interface thread.
struct AudioVoice {
    const std::uint8_t* data = nullptr;
    std::uint32_t frames = 0;
    std::int16_t bits = 16, channels = 1;
    std::uint64_t step = kOne;
    std::uint64_t pos = 0;
    std::uint32_t seq = 0;
    bool playing = false, looping = false, listed = false;
    int prev = -1, next = -1; // the active list runs through the voices themselves
    std::atomic<std::uint32_t> endedSeq{0};
    std::atomic<bool> released{false};
};

// User-interface-thread state of one voice.
struct UiVoice {
    std::shared_ptr<const SoundBuffer::Samples> samples; // keeps data alive while the audio thread reads it
    bool playing = false, looping = false, pendingRelease = false;
    std::uint32_t seq = 0;
};

// The fraction between two frames, to 24 bits: exactly what the vector path computes.
inline float Frac(std::uint64_t pos) {
    return static_cast<float>(static_cast<std::uint32_t>(pos) >> 8) * (1.0f / 16777216.0f);
}

// A sample's value before scaling: -128..127 or -32768..32767.
template <int Bits>
inline float Raw(const std::uint8_t* p) {
    if constexpr (Bits == 8) {
        return static_cast<float>(*p) - 128.0f;
    } else {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return static_cast<float>(v);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TAMBREL_MIXER_AVX2 1

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Eight frames, each packed in one 32-bit lane: 16-bit stereo as L | R << 16,
// 16-bit mono sign-extended, 8-bit stereo as L | R << 8, 8-bit mono as is.
template <int Bits, int Ch>
__attribute__((target("avx2"))) inline __m256i Gather(const std::uint8_t* data, __m256i idx) {
    const auto* base = reinterpret_cast<const int*>(data);
    if constexpr (Bits == 16 && Ch == 2) {
        return _mm256_i32gather_epi32(base, idx, 4);
    } else if constexpr (Bits == 16) {
        return _mm256_srai_epi32(_mm256_slli_epi32(_mm256_i32gather_epi32(base, idx, 2), 16), 16);
    } else if constexpr (Ch == 2) {
        return _mm256_and_si256(_mm256_i32gather_epi32(base, idx, 2), _mm256_set1_epi32(0xffff));
    } else {
        return _mm256_and_si256(_mm256_i32gather_epi32(base, idx, 1), _mm256_set1_epi32(0xff));
    }
}

// Frames first .. first + 15 as two vectors of packed frames (see Gather).
template <int Bits, int Ch>
__attribute__((target("avx2"))) inline void Window(const std::uint8_t* data, std::uint32_t first, __m256i& w0,
                                                   __m256i& w1) {
    const std::uint8_t* p = data + static_cast<std::size_t>(first) * (Bits / 8 * Ch);
    if constexpr (Bits == 16 && Ch == 2) {
        w0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        w1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    } else if constexpr (Bits == 16) {
        w0 = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        w1 = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    } else if constexpr (Ch == 2) {
        w0 = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        w1 = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    } else {
        w0 = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        w1 = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 8)));
    }
}

// Picks frame rel (0..15) of a window for each lane.
__attribute__((target("avx2"))) inline __m256i Pick(__m256i w0, __m256i w1, __m256i rel) {
    const __m256i a = _mm256_permutevar8x32_epi32(w0, rel), b = _mm256_permutevar8x32_epi32(w1, rel);
    return _mm256_blendv_epi8(a, b, _mm256_cmpgt_epi32(rel, _mm256_set1_epi32(7)));
}

template <int Bits, int Ch>
__attribute__((target("avx2"))) inline void Unpack(__m256i f, __m256& l, __m256& r) {
    if constexpr (Bits == 16 && Ch == 2) {
        l = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(f, 16), 16));
        r = _mm256_cvtepi32_ps(_mm256_srai_epi32(f, 16));
    } else if constexpr (Ch == 2) {
        l = _mm256_cvtepi32_ps(_mm256_and_si256(f, _mm256_set1_epi32(0xff)));
        r = _mm256_cvtepi32_ps(_mm256_srli_epi32(f, 8));
    } else {
        l = r = _mm256_cvtepi32_ps(f);
    }
    if constexpr (Bits == 8) {
        const __m256 bias = _mm256_set1_ps(128.0f);
        l = _mm256_sub_ps(l, bias), r = _mm256_sub_ps(r, bias);
    }
}

// Mixes up to count resampled frames eight at a time, while every frame it
// reads lies inside the sample; returns how many it mixed and leaves pos after
// them. The same arithmetic, in the same order, as the scalar loop, so both
// paths give the same output. Eight frames at a rate step below 2 come from a
// window of 16 consecutive frames (loads and permutes); faster steps gather.
template <int Bits, int Ch>
__attribute__((target("avx2"))) int MixAvx2(const std::uint8_t* data, std::uint32_t frames, std::uint64_t& pos,
                                            std::uint64_t step, float* left, float* right, int count) {
    const bool window = step < 2 * kOne - 0x100;
    // Frames read from the block's first index on: the window, or the gathers
    // of frame i + 1, whose 32-bit reads reach further on narrow formats.
    constexpr std::uint32_t kGatherReads = Bits == 16 ? (Ch == 2 ? 2 : 3) : (Ch == 2 ? 3 : 5);
    const std::uint32_t reads = window ? 16 : kGatherReads;
    if (frames < reads) return 0;
    const std::uint64_t limit = static_cast<std::uint64_t>(frames - reads + 1) << 32; // first index not allowed
    // Positions and steps keep their low 8 bits clear, so the eight lanes'
    // offsets from the block's first frame fit 32 bits as 8.24 fixed point.
    const auto step24 = static_cast<std::uint32_t>(step >> 8);
    const __m256i offsets =
        _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(static_cast<int>(step24)));
    const __m256 fracScale = _mm256_set1_ps(1.0f / 16777216.0f);
    const __m256 scale = _mm256_set1_ps(Bits == 8 ? 1.0f / 128.0f : 1.0f / 32768.0f);
    const __m256i fracMask = _mm256_set1_epi32(0xffffff);
    const __m256i one = _mm256_set1_epi32(1);
    int k = 0;
    for (; k + 8 <= count && (window ? pos : pos + 7 * step) < limit; k += 8, pos += 8 * step) {
        const auto first = static_cast<std::uint32_t>(pos >> 32);
        const __m256i lane =
            _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(pos) >> 8)), offsets);
        const __m256i rel = _mm256_srli_epi32(lane, 24);
        const __m256 frac = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_and_si256(lane, fracMask)), fracScale);
        __m256i f0, f1;
        if (window) {
            __m256i w0, w1;
            Window<Bits, Ch>(data, first, w0, w1);
            f0 = Pick(w0, w1, rel);
            f1 = Pick(w0, w1, _mm256_add_epi32(rel, one));
        } else {
            const __m256i idx = _mm256_add_epi32(rel, _mm256_set1_epi32(static_cast<int>(first)));
            f0 = Gather<Bits, Ch>(data, idx);
            f1 = Gather<Bits, Ch>(data, _mm256_add_epi32(idx, one));
        }
        __m256 l0, r0, l1, r1;
        Unpack<Bits, Ch>(f0, l0, r0);
        Unpack<Bits, Ch>(f1, l1, r1);
        const __m256 lv = _mm256_mul_ps(_mm256_add_ps(l0, _mm256_mul_ps(_mm256_sub_ps(l1, l0), frac)), scale);
        _mm256_storeu_ps(left + k, _mm256_add_ps(_mm256_loadu_ps(left + k), lv));
        const __m256 rv =
            Ch == 2 ? _mm256_mul_ps(_mm256_add_ps(r0, _mm256_mul_ps(_mm256_sub_ps(r1, r0), frac)), scale) : lv;
        _mm256_storeu_ps(right + k, _mm256_add_ps(_mm256_loadu_ps(right + k), rv));
    }
    return k;
}
#endif

} // namespace

class MixerCore {
public:
    MixerCore(int rate, int initialVoices) : rate_(rate) {
        while (VoiceCapacity() < initialVoices) AddChunk();
    }
    ~MixerCore() {
        for (int c = 0; c < chunkCount_.load(); ++c) delete[] chunks_[static_cast<std::size_t>(c)].load();
    }

    // ---- user-interface thread
    int rate_;

    int VoiceCapacity() const { return chunkCount_.load(std::memory_order_relaxed) * kChunkVoices; }
    int InUse() const { return static_cast<int>(ui_.size() - free_.size()); }

    AudioVoice& Voice(int slot) {
        return chunks_[static_cast<std::size_t>(slot / kChunkVoices)].load(
            std::memory_order_acquire)[slot % kChunkVoices];
    }

    void AddChunk() {
        const int c = chunkCount_.load(std::memory_order_relaxed);
        if (c >= kMaxChunks) return;
        chunks_[static_cast<std::size_t>(c)].store(new AudioVoice[kChunkVoices], std::memory_order_release);
        chunkCount_.store(c + 1, std::memory_order_release);
        const int base = c * kChunkVoices;
        ui_.resize(static_cast<std::size_t>(base + kChunkVoices));
        for (int i = base + kChunkVoices - 1; i >= base; --i) free_.push_back(i);
    }

    // Voices whose release the audio thread has acknowledged become free again.
    void Reclaim() {
        std::size_t kept = 0;
        for (int slot : pending_) {
            AudioVoice& v = Voice(slot);
            if (v.released.load(std::memory_order_acquire)) {
                v.released.store(false, std::memory_order_relaxed);
                // The next owner's play numbers start again from 1.
                v.endedSeq.store(0, std::memory_order_relaxed);
                UiVoice& u = ui_[static_cast<std::size_t>(slot)];
                u = UiVoice{};
                free_.push_back(slot);
            } else {
                pending_[kept++] = slot;
            }
        }
        pending_.resize(kept);
    }

    int Link(SoundBuffer& b, const std::shared_ptr<MixerCore>& self) {
        if (b.voice.core.get() == this) return b.voice.slot;
        if (b.voice.core) { // played by another mixer before: start over here
            b.voice.core->Release(b.voice.slot);
            b.voice.core.reset();
            b.voice.slot = -1;
        }
        if (free_.empty()) Reclaim();
        if (free_.empty()) AddChunk();
        if (free_.empty()) return -1;
        const int slot = free_.back();
        free_.pop_back();
        ui_[static_cast<std::size_t>(slot)].samples = b.SharedSamples();
        const WaveFormat& f = b.Format();
        const int block = std::max(1, f.BlockAlign());
        Command c{};
        c.op = Op::Bind;
        c.slot = slot;
        c.data = b.Bytes();
        c.frames = static_cast<std::uint32_t>(b.ByteSize() / static_cast<std::size_t>(block));
        c.bits = static_cast<std::int16_t>(f.BitsPerSample == 8 ? 8 : 16);
        c.channels = static_cast<std::int16_t>(f.Channels == 2 ? 2 : 1);
        // The low 8 bits stay clear so that positions within a block fit 32-bit lanes.
        c.step = ((static_cast<std::uint64_t>(f.SampleRate > 0 ? f.SampleRate : rate_) << 32) /
                  static_cast<std::uint64_t>(rate_)) &
                 ~std::uint64_t{0xff};
        if (c.step == 0) c.step = 0x100;
        Send(c);
        b.voice.core = self;
        b.voice.slot = slot;
        return slot;
    }

    void Release(int slot) {
        UiVoice& u = ui_[static_cast<std::size_t>(slot)];
        u.pendingRelease = true;
        u.playing = false;
        Command c{};
        c.op = Op::Release;
        c.slot = slot;
        Send(c);
        pending_.push_back(slot);
        if (pending_.size() >= 256) Reclaim();
        RequestPump();
    }

    void Send(const Command& c) {
        // Commands that found the ring full wait here, in order, and go first next time.
        Flush();
        if (!overflow_.empty() || !Push(c)) {
            overflow_.push_back(c);
            RequestPump();
        }
    }

    bool PumpPending() const { return !overflow_.empty() || !pending_.empty(); }
    void RequestPump() {
        if (pumpRequest_) pumpRequest_();
    }
    std::function<void()> pumpRequest_;

    void Flush() {
        while (!overflow_.empty() && Push(overflow_.front())) overflow_.pop_front();
    }

    bool Push(const Command& c) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= kRingSize) return false;
        ring_[head & (kRingSize - 1)] = c;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    std::vector<UiVoice> ui_;
    std::vector<int> free_, pending_;
    std::deque<Command> overflow_;

    // ---- audio thread
    void Render(float* out, int frames) {
        Drain();
        // Voices add into planar scratch (no interleaving per voice), which is
        // interleaved into the output once per block.
        for (int done = 0; done < frames;) {
            const int n = std::min(frames - done, kScratchFrames);
            std::memset(left_.data(), 0, sizeof(float) * static_cast<std::size_t>(n));
            std::memset(right_.data(), 0, sizeof(float) * static_cast<std::size_t>(n));
            for (int slot = active_; slot >= 0;) {
                AudioVoice& v = Voice(slot);
                const int next = v.next;
                MixVoice(v, left_.data(), right_.data(), n);
                if (!v.playing) {
                    Unlist(slot, v);
                    v.endedSeq.store(v.seq, std::memory_order_release);
                }
                slot = next;
            }
            float* o = out + 2 * static_cast<std::size_t>(done);
            for (int k = 0; k < n; ++k)
                o[2 * k] = left_[static_cast<std::size_t>(k)], o[2 * k + 1] = right_[static_cast<std::size_t>(k)];
            done += n;
        }
    }

private:
    void Drain() {
        const std::size_t head = head_.load(std::memory_order_acquire);
        std::size_t tail = tail_.load(std::memory_order_relaxed);
        for (; tail != head; ++tail) Apply(ring_[tail & (kRingSize - 1)]);
        tail_.store(tail, std::memory_order_release);
    }

    void Apply(const Command& c) {
        AudioVoice& v = Voice(c.slot);
        switch (c.op) {
        case Op::Bind:
            v.data = c.data, v.frames = c.frames, v.bits = c.bits, v.channels = c.channels, v.step = c.step;
            v.pos = 0, v.playing = false, v.looping = false;
            break;
        case Op::Play:
            v.seq = c.seq;
            v.looping = c.looping;
            v.playing = v.frames > 0;
            if (!v.playing) v.endedSeq.store(c.seq, std::memory_order_release);
            else if (!v.listed) List(c.slot, v);
            break;
        case Op::Stop: // the position stays
            v.playing = false;
            if (v.listed) Unlist(c.slot, v);
            break;
        case Op::Rewind: v.pos = 0; break;
        case Op::Release:
            if (v.listed) Unlist(c.slot, v);
            v.playing = false, v.data = nullptr, v.frames = 0, v.pos = 0;
            v.released.store(true, std::memory_order_release);
            break;
        }
    }

    void List(int slot, AudioVoice& v) {
        v.prev = -1;
        v.next = active_;
        if (active_ >= 0) Voice(active_).prev = slot;
        active_ = slot;
        v.listed = true;
    }

    void Unlist(int slot, AudioVoice& v) {
        if (v.prev >= 0) Voice(v.prev).next = v.next;
        else active_ = v.next;
        if (v.next >= 0) Voice(v.next).prev = v.prev;
        v.prev = v.next = -1;
        v.listed = false;
        (void)slot;
    }

    static void MixVoice(AudioVoice& v, float* left, float* right, int frames) {
        if (v.bits == 8) {
            if (v.channels == 1) Mix<8, 1>(v, left, right, frames);
            else Mix<8, 2>(v, left, right, frames);
        } else {
            if (v.channels == 1) Mix<16, 1>(v, left, right, frames);
            else Mix<16, 2>(v, left, right, frames);
        }
    }

    // Plays from the current position; a once-played voice stops at its end
    // and is rewound, a looping one wraps. Linear interpolation between frames.
    template <int Bits, int Ch>
    static void Mix(AudioVoice& v, float* left, float* right, int frames) {
        constexpr int kBlock = Bits / 8 * Ch;
        constexpr float kScale = Bits == 8 ? 1.0f / 128.0f : 1.0f / 32768.0f;
        const std::uint8_t* data = v.data;
        const std::uint64_t end = static_cast<std::uint64_t>(v.frames) << 32;
        const std::uint64_t step = v.step;
        std::uint64_t pos = v.pos;
        const std::uint32_t last = v.frames - 1;
        int n = 0;
        while (n < frames) {
            if (pos >= end) {
                if (!v.looping) {
                    v.playing = false;
                    pos = 0;
                    break;
                }
                pos %= end;
            }
            // Output frames before the position passes the end.
            const std::uint64_t remaining = (end - pos + step - 1) / step;
            const int count =
                static_cast<int>(std::min<std::uint64_t>(remaining, static_cast<std::uint64_t>(frames - n)));
            float* l = left + n;
            float* r = right + n;
            int k = 0;
#if TAMBREL_MIXER_AVX2
            if (HasAvx2()) k = MixAvx2<Bits, Ch>(data, v.frames, pos, step, l, r, count);
#endif
            for (; k < count; ++k, pos += step) {
                const std::uint32_t i = static_cast<std::uint32_t>(pos >> 32);
                const float frac = Frac(pos);
                const std::uint32_t j = i < last ? i + 1 : (v.looping ? 0 : i);
                const std::uint8_t* a = data + static_cast<std::size_t>(i) * kBlock;
                const std::uint8_t* b = data + static_cast<std::size_t>(j) * kBlock;
                const float l0 = Raw<Bits>(a), l1 = Raw<Bits>(b);
                const float lv = (l0 + (l1 - l0) * frac) * kScale;
                l[k] += lv;
                if constexpr (Ch == 2) {
                    const float r0 = Raw<Bits>(a + Bits / 8), r1 = Raw<Bits>(b + Bits / 8);
                    r[k] += (r0 + (r1 - r0) * frac) * kScale;
                } else {
                    r[k] += lv;
                }
            }
            n += count;
        }
        v.pos = pos;
    }

    static constexpr int kScratchFrames = 4096;
    std::array<float, kScratchFrames> left_{}, right_{};
    std::array<std::atomic<AudioVoice*>, kMaxChunks> chunks_{};
    std::atomic<int> chunkCount_{0};
    std::array<Command, kRingSize> ring_{};
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
    int active_ = -1;
};

VoiceLink::~VoiceLink() {
    if (core && slot >= 0) core->Release(slot);
}

Mixer::Mixer(int deviceRate, int initialVoices)
    : core_(std::make_shared<MixerCore>(deviceRate > 0 ? deviceRate : 48000, initialVoices)) {}

Mixer::~Mixer() = default;

void Mixer::Play(SoundBuffer& buffer, bool looping) {
    const int slot = core_->Link(buffer, core_);
    if (slot < 0) return;
    UiVoice& u = core_->ui_[static_cast<std::size_t>(slot)];
    u.playing = true;
    u.looping = looping;
    Command c{};
    c.op = Op::Play;
    c.slot = slot;
    c.seq = ++u.seq;
    c.looping = looping;
    core_->Send(c);
}

void Mixer::Stop(SoundBuffer& buffer) {
    if (buffer.voice.core != core_) return;
    UiVoice& u = core_->ui_[static_cast<std::size_t>(buffer.voice.slot)];
    u.playing = false;
    Command c{};
    c.op = Op::Stop;
    c.slot = buffer.voice.slot;
    core_->Send(c);
}

void Mixer::Rewind(SoundBuffer& buffer) {
    if (buffer.voice.core != core_) return;
    Command c{};
    c.op = Op::Rewind;
    c.slot = buffer.voice.slot;
    core_->Send(c);
}

int Mixer::Status(const SoundBuffer& buffer) const {
    if (buffer.voice.core != core_) return 0;
    UiVoice& u = core_->ui_[static_cast<std::size_t>(buffer.voice.slot)];
    if (!u.playing) return 0;
    if (u.looping) return kStatusPlaying | kStatusLooping;
    if (core_->Voice(buffer.voice.slot).endedSeq.load(std::memory_order_acquire) == u.seq) {
        u.playing = false;
        return 0;
    }
    return kStatusPlaying;
}

int Mixer::DeviceRate() const { return core_->rate_; }

void Mixer::Pump() {
    core_->Flush();
    core_->Reclaim();
}
bool Mixer::PumpPending() const { return core_->PumpPending(); }
void Mixer::SetPumpRequest(std::function<void()> request) { core_->pumpRequest_ = std::move(request); }
int Mixer::VoicesInUse() const { return core_->InUse(); }
int Mixer::VoiceCapacity() const { return core_->VoiceCapacity(); }

void Mixer::Render(float* out, int frames) { core_->Render(out, frames); }

} // namespace tambrel
