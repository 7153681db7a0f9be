// Writes the sound files the decoder tests read: one short tone per kind and
// width of file, through libsndfile, so no sample file comes from elsewhere.
// Left channel 440 Hz, right channel 660 Hz, further channels 440 Hz, all at
// half of full scale, one second long.
//
//   make_sounds FOLDER

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Fixture {
    const char* name;
    int format;
    int rate;
    int channels;
};

constexpr Fixture kFixtures[] = {
    {"s16_44100_2.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
    {"s16_48000_1.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1},
    {"u8_8000_1.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1},
    {"s24_48000_2.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2},
    {"s32_22050_1.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 22050, 1},
    {"f32_96000_1.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 1},
    {"f64_44100_2.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 44100, 2},
    {"ext24_48000_6.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 48000, 6},
    {"s16_44100_2.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 2},
    {"s24_48000_1.aif", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 48000, 1},
    {"s16_44100_2.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2},
    {"s24_96000_1.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 1},
    {"vorbis_44100_2.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2},
    {"opus_48000_2.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2},
    {"mp3_44100_2.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2},
    {"mp3_48000_1.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 48000, 1},
};

bool Write(const std::string& folder, const Fixture& fx) {
    SF_INFO info{};
    info.samplerate = fx.rate;
    info.channels = fx.channels;
    info.format = fx.format;
    const std::string path = folder + "/" + fx.name;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "make_sounds: %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    const int frames = fx.rate; // one second
    std::vector<float> samples(static_cast<std::size_t>(frames) * fx.channels);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / fx.rate;
        for (int c = 0; c < fx.channels; ++c) {
            const double hz = c == 1 ? 660.0 : 440.0;
            samples[static_cast<std::size_t>(i) * fx.channels + c] =
                static_cast<float>(0.5 * std::sin(2 * pi * hz * t));
        }
    }
    const bool ok = sf_writef_float(f, samples.data(), frames) == frames;
    sf_close(f);
    if (!ok) std::fprintf(stderr, "make_sounds: %s: short write\n", path.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds FOLDER\n");
        return 2;
    }
    bool ok = true;
    for (const Fixture& fx : kFixtures) ok = Write(argv[1], fx) && ok;
    return ok ? 0 : 1;
}
