#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/AudioOutput.h"
#include "audio/Mixer.h"
#include "audio/WavWriter.h"
#include "tests/TempDir.h"
#ifdef TAMBREL_HAVE_SDL
#include "sound/sdl/SdlAudioOutput.h"
#endif

namespace tambrel::test {
namespace {

TEST(AudioOutput, MemoryOutputPullsFromTheMixer) {
    Mixer mixer(44100);
    MemoryAudioOutput out(44100);
    std::string error;
    ASSERT_TRUE(out.Start([&](float* f, int n) { mixer.Render(f, n); }, error));
    auto b = std::make_shared<SoundBuffer>(WaveFormat{8, 1, 44100}, SoundBuffer::Samples{255, 255});
    mixer.Play(*b, false);
    out.Pull(3);
    ASSERT_EQ(out.FrameCount(), 3u);
    EXPECT_FLOAT_EQ(out.Frames()[0], 127.0f / 128.0f);
    EXPECT_FLOAT_EQ(out.Frames()[5], 0.0f);
}

TEST(AudioOutput, WavWriterClipsAndWritesACanonicalHeader) {
    TempDir dir;
    const std::string path = dir.File("out.wav");
    WriteWav16Stereo(path, {0.5f, -2.0f, 1.0f, 0.0f}, 22050);
    const std::string bytes = TempDir::Read(path);
    ASSERT_EQ(bytes.size(), 44u + 8u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    auto s16 = [&](std::size_t at) {
        return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                         static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    EXPECT_EQ(s16(22), 2);     // channels
    EXPECT_EQ(s16(34), 16);    // bits
    EXPECT_EQ(s16(44), 16384); // 0.5 rounds to nearest
    EXPECT_EQ(s16(46), -32767);
    EXPECT_EQ(s16(48), 32767);
}

#ifdef TAMBREL_HAVE_SDL
TEST(AudioOutput, SdlDeviceCallsTheRenderFunctionOnItsThread) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlAudioOutput out(48000, 256);
    std::atomic<long> frames{0};
    std::string error;
    ASSERT_TRUE(out.Start(
        [&](float* f, int n) {
            for (int i = 0; i < 2 * n; ++i) f[i] = 0.0f;
            frames += n;
        },
        error))
        << error;
    for (int i = 0; i < 200 && frames.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    out.Stop();
    EXPECT_GT(frames.load(), 0);
    EXPECT_GT(out.Rate(), 0);
}
#endif

} // namespace
} // namespace tambrel::test
