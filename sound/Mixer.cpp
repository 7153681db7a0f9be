#include "sound/Mixer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <deque>
#include <vector>

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

template <int Bits>
inline float Sample(const std::uint8_t* p) {
    if constexpr (Bits == 8) {
        return (static_cast<float>(*p) - 128.0f) * (1.0f / 128.0f);
    } else {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return static_cast<float>(v) * (1.0f / 32768.0f);
    }
}

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
        return chunks_[static_cast<std::size_t>(slot / kChunkVoices)].load(std::memory_order_acquire)[slot % kChunkVoices];
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
        c.step = (static_cast<std::uint64_t>(f.SampleRate > 0 ? f.SampleRate : rate_) << 32) /
                 static_cast<std::uint64_t>(rate_);
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
    }

    void Send(const Command& c) {
        // Commands that found the ring full wait here, in order, and go first next time.
        Flush();
        if (!overflow_.empty() || !Push(c)) overflow_.push_back(c);
    }

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
        std::memset(out, 0, sizeof(float) * 2 * static_cast<std::size_t>(frames));
        for (int slot = active_; slot >= 0;) {
            AudioVoice& v = Voice(slot);
            const int next = v.next;
            MixVoice(v, out, frames);
            if (!v.playing) {
                Unlist(slot, v);
                v.endedSeq.store(v.seq, std::memory_order_release);
            }
            slot = next;
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

    static void MixVoice(AudioVoice& v, float* out, int frames) {
        if (v.bits == 8) {
            if (v.channels == 1) Mix<8, 1>(v, out, frames);
            else Mix<8, 2>(v, out, frames);
        } else {
            if (v.channels == 1) Mix<16, 1>(v, out, frames);
            else Mix<16, 2>(v, out, frames);
        }
    }

    // Plays from the current position; a once-played voice stops at its end
    // and is rewound, a looping one wraps. Linear interpolation between frames.
    template <int Bits, int Ch>
    static void Mix(AudioVoice& v, float* out, int frames) {
        constexpr int kBlock = Bits / 8 * Ch;
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
            const std::uint64_t left = (end - pos + step - 1) / step;
            const int count = static_cast<int>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(frames - n)));
            float* o = out + 2 * n;
            if (step == kOne && (pos & 0xffffffffu) == 0) {
                const std::uint8_t* p = data + (pos >> 32) * kBlock;
                for (int k = 0; k < count; ++k, p += kBlock, o += 2) {
                    const float l = Sample<Bits>(p);
                    const float r = Ch == 2 ? Sample<Bits>(p + Bits / 8) : l;
                    o[0] += l;
                    o[1] += r;
                }
                pos += static_cast<std::uint64_t>(count) * step;
            } else {
                for (int k = 0; k < count; ++k, o += 2, pos += step) {
                    const std::uint32_t i = static_cast<std::uint32_t>(pos >> 32);
                    const float frac = static_cast<float>(pos & 0xffffffffu) * (1.0f / 4294967296.0f);
                    const std::uint32_t j = i < last ? i + 1 : (v.looping ? 0 : i);
                    const std::uint8_t* a = data + static_cast<std::size_t>(i) * kBlock;
                    const std::uint8_t* b = data + static_cast<std::size_t>(j) * kBlock;
                    const float l0 = Sample<Bits>(a), l1 = Sample<Bits>(b);
                    o[0] += l0 + (l1 - l0) * frac;
                    if constexpr (Ch == 2) {
                        const float r0 = Sample<Bits>(a + Bits / 8), r1 = Sample<Bits>(b + Bits / 8);
                        o[1] += r0 + (r1 - r0) * frac;
                    } else {
                        o[1] += l0 + (l1 - l0) * frac;
                    }
                }
            }
            n += count;
        }
        v.pos = pos;
    }

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
int Mixer::VoicesInUse() const { return core_->InUse(); }
int Mixer::VoiceCapacity() const { return core_->VoiceCapacity(); }

void Mixer::Render(float* out, int frames) { core_->Render(out, frames); }

} // namespace tambrel
