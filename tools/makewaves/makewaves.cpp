// Synthesises the sample Orchestra's wave files, so the project ships no sound
// files taken from elsewhere. Deterministic: the same bytes on every build.
//   makewaves OUTDIR

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Wave {
    int bits, channels, rate;
    std::vector<double> left, right; // -1..1, right empty for mono
};

void Put(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

bool Write(const std::string& path, const Wave& w) {
    std::string data;
    for (std::size_t i = 0; i < w.left.size(); ++i) {
        for (int c = 0; c < w.channels; ++c) {
            const double x = std::fmax(-1.0, std::fmin(1.0, c == 0 ? w.left[i] : w.right[i]));
            if (w.bits == 8) data += static_cast<char>(static_cast<std::uint8_t>(std::lrint(128 + x * 127)));
            else Put(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lrint(x * 32767))), 2);
        }
    }
    const int block = w.bits / 8 * w.channels;
    std::string out = "RIFF";
    Put(out, static_cast<std::uint32_t>(36 + data.size()), 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(w.channels), 2);
    Put(out, static_cast<std::uint32_t>(w.rate), 4);
    Put(out, static_cast<std::uint32_t>(w.rate * block), 4);
    Put(out, static_cast<std::uint32_t>(block), 2);
    Put(out, static_cast<std::uint32_t>(w.bits), 2);
    out += "data";
    Put(out, static_cast<std::uint32_t>(data.size()), 4);
    out += data;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

// A small deterministic noise source.
struct Noise {
    std::uint32_t state = 0x2545F491u;
    double Next() {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

Wave Mono(int bits, int rate, double seconds, const std::function<double(double)>& f) {
    Wave w{bits, 1, rate, {}, {}};
    const int n = static_cast<int>(seconds * rate);
    for (int i = 0; i < n; ++i) w.left.push_back(f(static_cast<double>(i) / rate));
    return w;
}

Wave Kick() {
    double phase = 0;
    return Mono(16, 22050, 0.35, [&](double t) {
        phase += 2 * kPi * (45 + 110 * std::exp(-t * 30)) / 22050;
        return 0.55 * std::sin(phase) * std::exp(-t * 9);
    });
}

Wave Snare() {
    Noise n;
    return Mono(16, 22050, 0.25,
                [&](double t) { return (0.3 * n.Next() + 0.2 * std::sin(2 * kPi * 190 * t)) * std::exp(-t * 16); });
}

Wave HiHat() {
    Noise n;
    double prev = 0;
    return Mono(8, 11025, 0.08, [&](double t) {
        const double x = n.Next();
        const double high = x - prev; // a crude high-pass keeps it bright
        prev = x;
        return 0.3 * high * std::exp(-t * 45);
    });
}

// A stereo tone with a soft attack and release, a little wider on the right.
Wave Tone(double hz, double seconds) {
    Wave w{16, 2, 44100, {}, {}};
    const int n = static_cast<int>(seconds * 44100);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const double env = std::fmin(1.0, t * 50) * std::fmin(1.0, (seconds - t) * 20);
        const double x = std::sin(2 * kPi * hz * t) + 0.3 * std::sin(4 * kPi * hz * t);
        w.left.push_back(0.2 * env * x);
        w.right.push_back(0.2 * env * (std::sin(2 * kPi * hz * 1.003 * t) + 0.3 * std::sin(4 * kPi * hz * t)));
    }
    return w;
}

// One bar of a bass figure that loops without a click.
Wave Loop() {
    Wave w{16, 2, 44100, {}, {}};
    const double notes[] = {55.0, 55.0, 82.41, 73.42};
    const int n = 44100; // one second, four beats
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const int beat = i / (n / 4);
        const double bt = t - beat * 0.25;
        const double env = std::fmin(1.0, bt * 200) * std::exp(-bt * 6) * std::fmin(1.0, (0.25 - bt) * 200);
        const double x = 0.3 * env * std::sin(2 * kPi * notes[beat] * t);
        w.left.push_back(x);
        w.right.push_back(x);
    }
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makewaves OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const struct {
        const char* name;
        Wave wave;
    } waves[] = {
        {"Kick.wav", Kick()},
        {"Snare.wav", Snare()},
        {"HiHat.wav", HiHat()},
        {"ToneC.wav", Tone(261.63, 0.6)},
        {"ToneE.wav", Tone(329.63, 0.6)},
        {"ToneG.wav", Tone(392.0, 0.6)},
        {"BassLoop.wav", Loop()},
    };
    for (const auto& w : waves) {
        if (!Write(dir + "/" + w.name, w.wave)) {
            std::fprintf(stderr, "makewaves: cannot write %s/%s\n", dir.c_str(), w.name);
            return 1;
        }
    }
    return 0;
}
