// The floor of press-to-sound latency on the audio server: the least a
// program can do. A minimal SDL program on the same graph, with the same
// audio driver and buffer as TambrelOrchestra, that starts a click in its
// next audio callback when a press arrives: a line on standard input (as the
// input server's event line arrives), or a key pressed in its window.
//
//   latency_floor FRAMES stdin|window
//
// Prints "ready" once its sound plays (and its window shows); ends at the
// end of its input, or when its window is closed. Part of the audio_latency
// benchmark; not a test.

#include <SDL.h>
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> pressed{false};
// A click of 20 ms, then silence.
int clickLeft = 0;

void Callback(void*, Uint8* stream, int len) {
    // The same real-time priority as the program's audio thread gets.
    static bool raised = false;
    if (!raised) {
        raised = true;
        sched_param p{};
        p.sched_priority = 80;
        sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &p);
    }
    auto* out = reinterpret_cast<float*>(stream);
    const int frames = len / static_cast<int>(2 * sizeof(float));
    if (pressed.exchange(false)) clickLeft = 960;
    for (int i = 0; i < frames; ++i) {
        const float v = clickLeft > 0 ? 0.8f : 0.0f;
        if (clickLeft > 0) --clickLeft;
        out[2 * i] = out[2 * i + 1] = v;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: latency_floor FRAMES stdin|window\n");
        return 2;
    }
    const int frames = std::atoi(argv[1]);
    const bool window = std::strcmp(argv[2], "window") == 0;
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tambrel latency floor");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Tambrel latency floor");
    if (SDL_Init(SDL_INIT_AUDIO | (window ? SDL_INIT_VIDEO : 0)) != 0) {
        std::fprintf(stderr, "latency_floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = 48000;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(frames);
    want.callback = Callback;
    const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (!dev) {
        std::fprintf(stderr, "latency_floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_PauseAudioDevice(dev, 0);
    SDL_Window* w = nullptr;
    if (window) {
        w = SDL_CreateWindow("latency floor", 0, 0, 200, 100, SDL_WINDOW_SHOWN);
        if (!w) {
            std::fprintf(stderr, "latency_floor: %s\n", SDL_GetError());
            return 1;
        }
    }
    std::printf("ready %s %d\n", SDL_GetCurrentAudioDriver(), have.samples);
    std::fflush(stdout);
    if (!window) {
        char line[256];
        while (std::fgets(line, sizeof line, stdin))
            if (std::strncmp(line, "event", 5) == 0) pressed.store(true);
    } else {
        SDL_Event e;
        while (SDL_WaitEvent(&e)) {
            if (e.type == SDL_QUIT) break;
            if (e.type == SDL_KEYDOWN && !e.key.repeat) pressed.store(true);
        }
    }
    SDL_CloseAudioDevice(dev);
    if (w) SDL_DestroyWindow(w);
    SDL_Quit();
    return 0;
}
