#include "tools/sinktap/SinkTap.h"

#include <pipewire/extensions/profiler.h>
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <spa/param/profiler.h>
#include <spa/pod/parser.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <thread>

namespace tambrel::tap {

std::int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

namespace {

// Blocks go from the graph's thread to the reader through this ring: no lock
// in the graph's cycle.
constexpr std::size_t kRing = 1 << 16;

} // namespace

struct SinkTap::Impl {
    SinkTap* owner = nullptr;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_registry* registry = nullptr;
    pw_stream* stream = nullptr;
    pw_proxy* profiler = nullptr;
    spa_hook streamListener{}, registryListener{}, profilerListener{};
    std::vector<Block> ring = std::vector<Block>(kRing);
    std::atomic<std::size_t> head{0}, tail{0};
    std::atomic<bool> flowing{false};
    std::map<int, std::int64_t> xrunBase, xrunNow;

    static void OnProcess(void* data) {
        auto* self = static_cast<Impl*>(data);
        pw_buffer* b = pw_stream_dequeue_buffer(self->stream);
        if (!b) return;
        pw_time t{};
        pw_stream_get_time_n(self->stream, &t, sizeof t);
        spa_data& d = b->buffer->datas[0];
        Block block;
        block.nowNs = t.now;
        if (d.data && d.chunk) {
            const std::uint32_t offset = std::min(d.chunk->offset, d.maxsize);
            const std::uint32_t size = std::min(d.chunk->size, d.maxsize - offset);
            const auto* f = reinterpret_cast<const float*>(static_cast<const std::uint8_t*>(d.data) + offset);
            block.frames = static_cast<int>(size / (2 * sizeof(float)));
            for (int i = 0; i < 2 * block.frames; ++i) {
                const float a = std::fabs(f[i]);
                if (a > block.peak) block.peak = a;
                if (block.firstLoud < 0 && a > self->owner->threshold_) block.firstLoud = i / 2;
            }
        }
        pw_stream_queue_buffer(self->stream, b);
        const std::size_t h = self->head.load(std::memory_order_relaxed);
        if (h - self->tail.load(std::memory_order_acquire) < kRing) {
            self->ring[h % kRing] = block;
            self->head.store(h + 1, std::memory_order_release);
        }
        self->flowing.store(true);
    }

    // One profiler report: per driver its xrun count, then its followers.
    static void OnProfile(void* data, const spa_pod* pod) {
        auto* self = static_cast<Impl*>(data);
        if (!spa_pod_is_struct(pod)) return;
        const void* body = SPA_POD_CONTENTS(spa_pod_struct, pod);
        const std::uint32_t bodySize = SPA_POD_BODY_SIZE(pod);
        for (auto* o = static_cast<const spa_pod*>(body); spa_pod_is_inside(body, bodySize, o);
             o = static_cast<const spa_pod*>(spa_pod_next(o))) {
            if (!spa_pod_is_object_type(o, SPA_TYPE_OBJECT_Profiler)) continue;
            std::int64_t xruns = -1;
            int driver = -1;
            const auto* obj = reinterpret_cast<const spa_pod_object*>(o);
            for (const spa_pod_prop* p = spa_pod_prop_first(&obj->body);
                 spa_pod_prop_is_inside(&obj->body, SPA_POD_BODY_SIZE(obj), p); p = spa_pod_prop_next(p)) {
                spa_pod_parser prs;
                spa_pod_frame f;
                spa_pod_parser_pod(&prs, &p->value);
                if (spa_pod_parser_push_struct(&prs, &f) < 0) continue;
                if (p->key == SPA_PROFILER_info) {
                    int64_t counter = 0;
                    float load = 0;
                    int32_t x = 0;
                    if (spa_pod_parser_get_long(&prs, &counter) >= 0 && spa_pod_parser_get_float(&prs, &load) >= 0 &&
                        spa_pod_parser_get_float(&prs, &load) >= 0 && spa_pod_parser_get_float(&prs, &load) >= 0 &&
                        spa_pod_parser_get_int(&prs, &x) >= 0)
                        xruns = x;
                } else if (p->key == SPA_PROFILER_driverBlock) {
                    int32_t id = 0;
                    if (spa_pod_parser_get_int(&prs, &id) >= 0) driver = id;
                } else if (p->key == SPA_PROFILER_followerBlock) {
                    int32_t id = 0, status = 0;
                    const char* name = nullptr;
                    int64_t prev = 0, signal = 0, awake = 0, finish = 0;
                    if (spa_pod_parser_get_int(&prs, &id) >= 0 && spa_pod_parser_get_string(&prs, &name) >= 0 &&
                        spa_pod_parser_get_long(&prs, &prev) >= 0 && spa_pod_parser_get_long(&prs, &signal) >= 0 &&
                        spa_pod_parser_get_long(&prs, &awake) >= 0 && spa_pod_parser_get_long(&prs, &finish) >= 0 &&
                        spa_pod_parser_get_int(&prs, &status) >= 0 && status != 3 /* finished */)
                        self->owner->lateNodes_.fetch_add(1);
                }
            }
            if (driver >= 0 && xruns >= 0) {
                if (!self->xrunBase.count(driver)) self->xrunBase[driver] = xruns;
                self->xrunNow[driver] = xruns;
                std::int64_t total = 0;
                for (const auto& [id, n] : self->xrunNow) total += n - self->xrunBase[id];
                self->owner->driverXruns_.store(total);
            }
        }
    }

    static void OnGlobal(void* data, uint32_t id, uint32_t, const char* type, uint32_t, const spa_dict*) {
        auto* self = static_cast<Impl*>(data);
        if (self->profiler || std::strcmp(type, PW_TYPE_INTERFACE_Profiler) != 0) return;
        self->profiler = static_cast<pw_proxy*>(pw_registry_bind(self->registry, id, type, PW_VERSION_PROFILER, 0));
        if (!self->profiler) return;
        static const pw_profiler_events events = {PW_VERSION_PROFILER_EVENTS, &Impl::OnProfile};
        pw_proxy_add_object_listener(self->profiler, &self->profilerListener, &events, self);
    }
};

SinkTap::SinkTap(std::string sink, float threshold) : sink_(std::move(sink)), threshold_(threshold) {
    pw_init(nullptr, nullptr);
}

SinkTap::~SinkTap() {
    Stop();
    pw_deinit();
}

bool SinkTap::Start(std::string& error, int timeoutMs) {
    impl_ = std::make_unique<Impl>();
    Impl& m = *impl_;
    m.owner = this;
    m.loop = pw_thread_loop_new("sinktap", nullptr);
    m.context = m.loop ? pw_context_new(pw_thread_loop_get_loop(m.loop), nullptr, 0) : nullptr;
    if (!m.context) {
        error = "PipeWire: no context";
        return false;
    }
    pw_thread_loop_lock(m.loop);
    m.core = pw_context_connect(m.context, nullptr, 0);
    if (!m.core) {
        pw_thread_loop_unlock(m.loop);
        error = "PipeWire: the daemon does not answer";
        return false;
    }
    m.registry = pw_core_get_registry(m.core, PW_VERSION_REGISTRY, 0);
    static const pw_registry_events registryEvents = {PW_VERSION_REGISTRY_EVENTS, &Impl::OnGlobal, nullptr};
    pw_registry_add_listener(m.registry, &m.registryListener, &registryEvents, &m);

    // The tap follows the graph's quantum; it asks for the largest so that
    // it never makes the graph run faster than what it measures.
    pw_properties* props =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Test",
                          PW_KEY_TARGET_OBJECT, sink_.c_str(), PW_KEY_STREAM_CAPTURE_SINK, "true", PW_KEY_NODE_LATENCY,
                          "8192/48000", PW_KEY_NODE_NAME, "tambrel-sink-tap", nullptr);
    static const pw_stream_events streamEvents = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.process = &Impl::OnProcess;
        return e;
    }();
    m.stream = pw_stream_new(m.core, "tambrel-sink-tap", props);
    pw_stream_add_listener(m.stream, &m.streamListener, &streamEvents, &m);
    std::uint8_t buffer[1024];
    spa_pod_builder b;
    spa_pod_builder_init(&b, buffer, sizeof buffer);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = static_cast<uint32_t>(rate_);
    info.channels = 2;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod* params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
    const int res =
        pw_stream_connect(m.stream, PW_DIRECTION_INPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                                       PW_STREAM_FLAG_RT_PROCESS),
                          params, 1);
    pw_thread_loop_unlock(m.loop);
    if (res < 0 || pw_thread_loop_start(m.loop) < 0) {
        error = "PipeWire: the capture stream did not connect";
        return false;
    }
    for (int waited = 0; !m.flowing.load() && waited < timeoutMs; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!m.flowing.load()) {
        error = "PipeWire: nothing came from the sink " + sink_;
        return false;
    }
    return true;
}

void SinkTap::Stop() {
    if (!impl_) return;
    Impl& m = *impl_;
    if (m.loop) pw_thread_loop_stop(m.loop);
    if (m.stream) pw_stream_destroy(m.stream);
    if (m.profiler) pw_proxy_destroy(m.profiler);
    if (m.registry) pw_proxy_destroy(reinterpret_cast<pw_proxy*>(m.registry));
    if (m.core) pw_core_disconnect(m.core);
    if (m.context) pw_context_destroy(m.context);
    if (m.loop) pw_thread_loop_destroy(m.loop);
    impl_.reset();
}

std::vector<Block> SinkTap::Take() {
    std::vector<Block> out = std::move(pending_);
    pending_.clear();
    if (!impl_) return out;
    Impl& m = *impl_;
    const std::size_t h = m.head.load(std::memory_order_acquire);
    for (std::size_t t = m.tail.load(std::memory_order_relaxed); t != h; ++t) out.push_back(m.ring[t % kRing]);
    m.tail.store(h, std::memory_order_release);
    return out;
}

std::int64_t SinkTap::WaitForSound(std::int64_t afterNs, int timeoutMs) {
    const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1000000;
    for (;;) {
        std::vector<Block> blocks = Take();
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const Block& b = blocks[i];
            if (b.firstLoud < 0) continue;
            // The first loud frame at or after afterNs.
            for (int f = b.firstLoud; f < b.frames; ++f) {
                const std::int64_t at = b.nowNs + std::int64_t{f} * 1000000000 / rate_;
                if (at < afterNs) continue;
                pending_.assign(blocks.begin() + static_cast<std::ptrdiff_t>(i + 1), blocks.end());
                return at;
            }
        }
        if (MonotonicNs() > end) return -1;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

bool SinkTap::WaitForSilence(int quietMs, int timeoutMs) {
    const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1000000;
    std::int64_t quietSince = -1;
    while (MonotonicNs() < end) {
        for (const Block& b : Take()) {
            if (b.firstLoud >= 0) quietSince = -1;
            else if (quietSince < 0) quietSince = b.nowNs;
            if (quietSince >= 0 && b.nowNs - quietSince >= std::int64_t{quietMs} * 1000000) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

} // namespace tambrel::tap
