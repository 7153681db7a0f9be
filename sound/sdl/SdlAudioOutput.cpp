#include "sound/sdl/SdlAudioOutput.h"

#include <SDL.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sound/sdl/SdlAudioRoot.h"

namespace tambrel {

namespace {

bool IsRealtime(int policy) {
    policy &= ~SCHED_RESET_ON_FORK;
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

// The thread's real-time priority, or 0 when it has none.
int RealtimePriorityOf(pid_t tid) {
    const int policy = sched_getscheduler(tid);
    if (policy < 0 || !IsRealtime(policy)) return 0;
    sched_param p{};
    return sched_getparam(tid, &p) == 0 ? p.sched_priority : 0;
}

// How long Start waits for the first callback to learn its thread.
constexpr int kFirstCallbackWaitMs = 500;

} // namespace

SdlAudioOutput::~SdlAudioOutput() { Stop(); }

void SdlAudioOutput::Choose(const std::string& device, int bufferFrames) {
    device_ = device;
    wantedFrames_ = bufferFrames;
}

std::vector<std::string> SdlAudioOutput::Devices() {
    std::vector<std::string> names;
    std::string error;
    if (!StartSdlAudio(error)) return names;
    const int n = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < n; ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return names;
}

bool SdlAudioOutput::Start(RenderFn render, std::string& error) {
    Stop();
    if (!StartSdlAudio(error)) return false;
    sdlStarted_ = true;
    const char* driver = SDL_GetCurrentAudioDriver();
    backend_ = driver ? driver : "";
    render_ = std::move(render);
    audioThread_.store(0);
    realtime_ = {};
    SDL_AudioSpec want{}, have{};
    want.freq = rate_;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(wantedFrames_);
    want.callback = &SdlAudioOutput::Callback;
    want.userdata = this;
    // The rate stays the mixer's (SDL converts if the device differs); the
    // device may pick its own buffer size, and BufferFrames then says which.
    deviceId_ = SDL_OpenAudioDevice(device_.empty() ? nullptr : device_.c_str(), 0, &want, &have,
                                    SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (deviceId_ == 0) {
        error = SDL_GetError();
        Stop();
        return false;
    }
    bufferFrames_ = have.samples;
    SDL_PauseAudioDevice(deviceId_, 0);
    RaiseAudioThread();
    return true;
}

void SdlAudioOutput::RaiseAudioThread() {
    for (int waited = 0; audioThread_.load() == 0 && waited < kFirstCallbackWaitMs; ++waited) SDL_Delay(1);
    const auto tid = static_cast<pid_t>(audioThread_.load());
    if (tid == 0) {
        realtime_.refusal = "the sound device never asked for sound";
        return;
    }
    realtime_.checked = true;
    // The audio system may have done it already.
    if (const int prio = RealtimePriorityOf(tid)) {
        realtime_ = {true, true, prio, "the audio system", {}};
        return;
    }
    // Directly, as the system's limits allow (RLIMIT_RTPRIO, or privilege).
    int wanted = kRealtimePriority;
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur > 0 &&
        limit.rlim_cur < static_cast<rlim_t>(wanted) && geteuid() != 0)
        wanted = static_cast<int>(limit.rlim_cur);
    sched_param p{};
    p.sched_priority = wanted;
    if (sched_setscheduler(tid, SCHED_FIFO | SCHED_RESET_ON_FORK, &p) == 0) {
        realtime_ = {true, true, RealtimePriorityOf(tid), "the system's limits", {}};
        return;
    }
    const std::string direct = std::strerror(errno);
    // Through RTKit, over D-Bus.
    if (SDL_LinuxSetThreadPriorityAndPolicy(tid, SDL_THREAD_PRIORITY_TIME_CRITICAL, SCHED_FIFO) == 0) {
        if (const int prio = RealtimePriorityOf(tid)) {
            realtime_ = {true, true, prio, "RTKit", {}};
            return;
        }
    }
    realtime_.refusal = "the system's limits: " + direct + "; RTKit: " + SDL_GetError();
}

void SdlAudioOutput::Stop() {
    if (deviceId_) SDL_CloseAudioDevice(deviceId_);
    deviceId_ = 0;
    if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlStarted_ = false;
}

void SdlAudioOutput::Callback(void* self, std::uint8_t* stream, int len) {
    auto* out = static_cast<SdlAudioOutput*>(self);
    // The first call tells Start which thread to raise: one system call.
    if (out->audioThread_.load(std::memory_order_relaxed) == 0)
        out->audioThread_.store(static_cast<long>(syscall(SYS_gettid)), std::memory_order_release);
    out->render_(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

} // namespace tambrel
