#include "inputserver/EvdevBackend.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "input/KeyboardTable.h"
#include "inputserver/DeviceName.h"

namespace tambrel::server {

struct EvemuBackend::Recording {
    std::string file;
    EvemuDevice desc;
    std::int64_t startUs = -1; // when it was first switched on: its time 0
    bool plugged = true;
};

namespace {

// udev fixes a new node's permissions just after creating it: changes are
// taken as one once the node folder has been quiet this long.
constexpr std::int64_t kSettleMs = 200;

std::int64_t SteadyMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// ---------------------------------------------------------------------------
// Descriptions

std::string ReadLine(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string s;
    std::getline(in, s);
    return s.substr(0, 4096);
}

// A sysfs capability bitmap: hexadecimal words of the width of a C long,
// the most significant word first.
void SysfsBits(const std::string& text, unsigned type, EvemuDevice& d) {
    std::istringstream in(text);
    std::vector<unsigned long long> words;
    std::string w;
    while (in >> w && words.size() < 64) {
        unsigned long long v = 0;
        try {
            v = std::stoull(w, nullptr, 16);
        } catch (const std::exception&) {
            return;
        }
        words.push_back(v);
    }
    std::reverse(words.begin(), words.end());
    const unsigned width = sizeof(long) * CHAR_BIT;
    for (std::size_t i = 0; i < words.size(); ++i)
        for (unsigned b = 0; b < width && b < 64; ++b)
            if ((words[i] >> b) & 1u) {
                const unsigned code = static_cast<unsigned>(i) * width + b;
                if (type == kEvemuTypes) { // the properties
                    if (code < kEvemuProps) {
                        if (d.props.size() <= code / 8) d.props.resize(code / 8 + 1);
                        d.props[code / 8] = static_cast<std::uint8_t>(d.props[code / 8] | (1u << (code % 8)));
                    }
                } else {
                    d.Set(type, code);
                }
            }
}

// What sysfs says of a node this user may not open: enough to tell what it
// is and to say so, never enough to read it.
EvemuDevice FromSysfs(const std::filesystem::path& device) {
    EvemuDevice d;
    d.name = ReadLine(device / "name");
    auto id = [&](const char* leaf) {
        try {
            return static_cast<std::uint16_t>(std::stoul(ReadLine(device / "id" / leaf), nullptr, 16) & 0xffff);
        } catch (const std::exception&) {
            return std::uint16_t{0};
        }
    };
    d.bus = id("bustype");
    d.vendor = id("vendor");
    d.product = id("product");
    d.version = id("version");
    const std::filesystem::path caps = device / "capabilities";
    SysfsBits(ReadLine(caps / "ev"), 0, d);
    const std::pair<const char*, unsigned> kinds[] = {{"key", EV_KEY}, {"rel", EV_REL}, {"abs", EV_ABS},
                                                      {"msc", EV_MSC}, {"sw", EV_SW},   {"led", EV_LED}};
    for (const auto& [leaf, type] : kinds) SysfsBits(ReadLine(caps / leaf), type, d);
    SysfsBits(ReadLine(device / "properties"), kEvemuTypes, d);
    return d;
}

std::string NodeGroup(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    group grp{};
    group* found = nullptr;
    std::vector<char> buf(16384);
    if (getgrgid_r(st.st_gid, &grp, buf.data(), buf.size(), &found) == 0 && found && found->gr_name)
        return found->gr_name;
    return std::to_string(st.st_gid);
}

// ---------------------------------------------------------------------------
// Classification

bool Key(const libevdev* dev, unsigned code) { return libevdev_has_event_code(dev, EV_KEY, code) == 1; }

bool HasControllerButtons(const libevdev* dev) {
    for (unsigned c = BTN_JOYSTICK; c < BTN_DIGI; ++c)
        if (Key(dev, c)) return true;
    for (unsigned c = BTN_TRIGGER_HAPPY; c <= BTN_TRIGGER_HAPPY40; ++c)
        if (Key(dev, c)) return true;
    return false;
}

// ---------------------------------------------------------------------------
// Reading and mapping

enum class Role { Keyboard, Pointer, Touchpad, Controller };

// One node read for one device: a kernel node, or a recording replayed.
struct Member {
    Role role = Role::Keyboard;
    libevdev* dev = nullptr;
    int fd = -1; // the kernel node
    std::shared_ptr<EvemuBackend::Recording> rec;
    std::size_t cursor = 0; // the recording's next event
    int timerFd = -1;       // turns readable when that event is due
    MicrosClock clock;
    bool gone = false;
    // Controllers: the objects taken from the capabilities.
    std::vector<unsigned> axes, hats, buttons;
    std::map<unsigned, int> last; // absolute axes: the value last seen
    // Touchpads: the finger's position in the last frame it was alone.
    bool touchHad = false;
    int touchX = 0, touchY = 0;

    Member() = default;
    Member(const Member&) = delete;
    Member& operator=(const Member&) = delete;
    ~Member() {
        if (dev) libevdev_free(dev);
        if (fd >= 0) close(fd);
        if (timerFd >= 0) close(timerFd);
    }
};

int Value(const Member& m, unsigned type, unsigned code) { return libevdev_get_event_value(m.dev, type, code); }

// The one mapping of an event to the program's objects, for kernel nodes
// and recordings alike. Appends what the event means: nothing, or one or
// two items (a touchpad frame moves both axes).
void MapEvent(Member& m, const input_event& ev, std::deque<Item>& out) {
    // Autorepeat (value 2) is not a change of the key's state.
    if (ev.type == EV_KEY && ev.value == 2) return;
    switch (m.role) {
    case Role::Keyboard:
        if (ev.type == EV_KEY)
            if (const std::int32_t k = KeyboardObjectForCode(ev.code)) out.push_back({k, ev.value});
        return;
    case Role::Pointer:
    case Role::Touchpad:
        for (const MouseObject& o : MouseObjects()) {
            const bool rel = o.kind == MouseObjectKind::RelativeAxis;
            if ((rel && m.role == Role::Pointer && ev.type == EV_REL && ev.code == o.object.linuxCode) ||
                (!rel && ev.type == EV_KEY && (ev.code == o.object.linuxCode || (o.altCode && ev.code == o.altCode)))) {
                out.push_back({o.object.keyNo, ev.value});
                return;
            }
        }
        if (m.role == Role::Touchpad && ev.type == EV_SYN && ev.code == SYN_REPORT) {
            // A touchpad moves the pointer by one finger's movement between
            // frames; a frame where none or several fingers touch moves
            // nothing (that is scrolling or a gesture), and the first frame
            // of a touch only says where the finger landed.
            const bool touching =
                Key(m.dev, BTN_TOUCH) ? Value(m, EV_KEY, BTN_TOUCH) != 0 : Value(m, EV_KEY, BTN_TOOL_FINGER) != 0;
            const bool several = Value(m, EV_KEY, BTN_TOOL_DOUBLETAP) || Value(m, EV_KEY, BTN_TOOL_TRIPLETAP) ||
                                 Value(m, EV_KEY, BTN_TOOL_QUADTAP) || Value(m, EV_KEY, BTN_TOOL_QUINTTAP);
            if (!touching || several) {
                m.touchHad = false;
                return;
            }
            const int x = Value(m, EV_ABS, ABS_X), y = Value(m, EV_ABS, ABS_Y);
            if (m.touchHad) {
                if (x != m.touchX) out.push_back({MouseObjects()[0].object.keyNo, x - m.touchX});
                if (y != m.touchY) out.push_back({MouseObjects()[1].object.keyNo, y - m.touchY});
            }
            m.touchHad = true;
            m.touchX = x;
            m.touchY = y;
        }
        return;
    case Role::Controller: break;
    }
    if (ev.type == EV_KEY) {
        const auto it = std::find(m.buttons.begin(), m.buttons.end(), ev.code);
        if (it == m.buttons.end()) return;
        out.push_back({static_cast<std::int32_t>(m.axes.size() + m.hats.size() +
                                                 static_cast<std::size_t>(it - m.buttons.begin()) + 1),
                       ev.value});
        return;
    }
    if (ev.type != EV_ABS) return;
    if (const auto it = std::find(m.axes.begin(), m.axes.end(), ev.code); it != m.axes.end()) {
        // Axes are read as movements, as the mouse is: the change since the
        // last value reported. A stick left alone jitters by a little of its
        // range and within its dead zone; neither is a movement, or a
        // resting stick would play its key without end. Slow movements
        // still add up to one.
        const int before = m.last.count(ev.code) ? m.last[ev.code] : 0;
        if (const input_absinfo* ai = libevdev_get_abs_info(m.dev, ev.code)) {
            const long long range = static_cast<long long>(ai->maximum) - ai->minimum;
            const long long noise = std::max<long long>(ai->flat, range / 64);
            if (std::llabs(static_cast<long long>(ev.value) - before) <= noise) return;
            const long long centre = (static_cast<long long>(ai->minimum) + ai->maximum) / 2;
            if (ai->flat > 0 && std::llabs(ev.value - centre) <= ai->flat && std::llabs(before - centre) <= ai->flat)
                return;
        }
        m.last[ev.code] = ev.value;
        out.push_back({static_cast<std::int32_t>(it - m.axes.begin()) + 1,
                       static_cast<std::int32_t>(static_cast<long long>(ev.value) - before)});
        return;
    }
    // A hat is one object: moving it off centre is a press, back to centre
    // a release.
    if (ev.code < ABS_HAT0X || ev.code > ABS_HAT3Y) return;
    const unsigned base = ABS_HAT0X + ((ev.code - ABS_HAT0X) & ~1u);
    const auto it = std::find(m.hats.begin(), m.hats.end(), base);
    if (it == m.hats.end()) return;
    m.last[ev.code] = ev.value;
    const int x = m.last.count(base) ? m.last[base] : 0, y = m.last.count(base + 1) ? m.last[base + 1] : 0;
    const int sx = (x > 0) - (x < 0), sy = (y > 0) - (y < 0);
    out.push_back({static_cast<std::int32_t>(m.axes.size() + static_cast<std::size_t>(it - m.hats.begin())) + 1,
                   (sx == 0 && sy == 0) ? 0 : 1 + (sx + 1) + 3 * (sy + 1)});
}

// The recording's next event when it is due, as libevdev hands out a kernel
// node's: the device's state follows it first.
int NextRecorded(Member& m, input_event& ev) {
    if (!m.rec->plugged) return -ENODEV;
    const auto& events = m.rec->desc.events;
    const std::int64_t elapsed = m.clock() - m.rec->startUs;
    while (m.cursor < events.size() && events[m.cursor].atUs <= elapsed) {
        const EvemuEvent& e = events[m.cursor++];
        // A kernel never sends what the device does not have; neither does
        // a recording, whatever its file says.
        if (e.type != EV_SYN && libevdev_has_event_code(m.dev, e.type, e.code) != 1) continue;
        ev = input_event{};
        ev.type = e.type;
        ev.code = e.code;
        ev.value = e.value;
        if (e.type == EV_KEY || e.type == EV_ABS || e.type == EV_SW || e.type == EV_LED)
            libevdev_set_event_value(m.dev, e.type, e.code, e.value);
        return LIBEVDEV_READ_STATUS_SUCCESS;
    }
    return -EAGAIN;
}

int NextEvent(Member& m, input_event& ev) {
    if (m.rec) return NextRecorded(m, ev);
    return libevdev_next_event(m.dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
}

// Arms the replay timer for the recording's next event, or disarms it.
void ArmReplay(Member& m, bool on) {
    if (m.timerFd < 0) return;
    itimerspec t{};
    if (on && m.rec->plugged && m.cursor < m.rec->desc.events.size()) {
        std::int64_t at = m.rec->startUs + m.rec->desc.events[m.cursor].atUs;
        if (at < 1) at = 1; // zero would disarm it
        t.it_value.tv_sec = static_cast<time_t>(at / 1000000);
        t.it_value.tv_nsec = static_cast<long>((at % 1000000) * 1000);
    }
    timerfd_settime(m.timerFd, TFD_TIMER_ABSTIME, &t, nullptr);
}

class EvdevDevice : public BackendDevice {
public:
    std::vector<std::unique_ptr<Member>> members;

    bool Acquire(std::string&) override {
        // Reading starts with an empty buffer: whatever the node queued
        // while the device was off is not played.
        ready_.clear();
        for (auto& m : members) Start(*m);
        acquired_ = true;
        return true;
    }
    void Unacquire() override {
        acquired_ = false;
        ready_.clear();
        for (auto& m : members) ArmReplay(*m, false);
    }

    ReadResult Read(Item* items, int max) override {
        ReadResult r;
        auto take = [&] {
            while (r.count < max && !ready_.empty()) {
                items[r.count++] = ready_.front();
                ready_.pop_front();
            }
        };
        take();
        bool anyLive = false;
        for (auto& m : members) {
            if (m->gone) continue;
            while (r.count < max) {
                input_event ev{};
                const int rc = NextEvent(*m, ev);
                if (rc == -EAGAIN) break;
                if (rc == LIBEVDEV_READ_STATUS_SYNC) {
                    // The kernel dropped events: the buffer counts as full.
                    // libevdev discards the catch-up events on the next
                    // normal read, so nothing stale is played later.
                    r.status = ReadStatus::Overflow;
                    return r;
                }
                if (rc < 0) { // ENODEV: unplugged
                    m->gone = true;
                    break;
                }
                MapEvent(*m, ev, ready_);
                take();
            }
            if (!m->gone) {
                anyLive = true;
                ArmReplay(*m, acquired_);
            }
        }
        if (!anyLive && r.count == 0 && ready_.empty()) r.status = ReadStatus::Gone;
        return r;
    }

    bool Pending() override {
        if (!acquired_) return false;
        if (!ready_.empty()) return true;
        for (auto& m : members) {
            if (m->gone) continue;
            if (m->rec) {
                const auto& events = m->rec->desc.events;
                if (!m->rec->plugged ||
                    (m->cursor < events.size() && events[m->cursor].atUs <= m->clock() - m->rec->startUs))
                    return true;
            } else if (libevdev_has_event_pending(m->dev) != 0) {
                return true;
            }
        }
        return false;
    }

    void WatchFds(std::vector<int>& out) const override {
        for (const auto& m : members)
            if (!m->gone) {
                if (m->fd >= 0) out.push_back(m->fd);
                if (m->timerFd >= 0) out.push_back(m->timerFd);
            }
    }

private:
    void Start(Member& m) {
        m.touchHad = false;
        if (m.rec) {
            const std::int64_t now = m.clock();
            if (m.rec->startUs < 0) m.rec->startUs = now;
            // What happened while it was off is not played.
            const auto& events = m.rec->desc.events;
            while (m.cursor < events.size() && events[m.cursor].atUs < now - m.rec->startUs) {
                const EvemuEvent& e = events[m.cursor++];
                if (libevdev_has_event_code(m.dev, e.type, e.code) == 1 &&
                    (e.type == EV_KEY || e.type == EV_ABS || e.type == EV_SW || e.type == EV_LED))
                    libevdev_set_event_value(m.dev, e.type, e.code, e.value);
            }
            ArmReplay(m, true);
        } else if (!m.gone) {
            input_event ev{};
            for (int guard = 0; guard < 100000; ++guard) {
                const int rc = libevdev_next_event(m.dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
                if (rc == -EAGAIN) break;
                if (rc == LIBEVDEV_READ_STATUS_SYNC) continue;
                if (rc < 0) {
                    m.gone = true;
                    break;
                }
            }
        }
        // Absolute axes report changes from where they are now.
        for (unsigned a : m.axes) m.last[a] = Value(m, EV_ABS, a);
        for (unsigned h : m.hats) {
            m.last[h] = Value(m, EV_ABS, h);
            m.last[h + 1] = Value(m, EV_ABS, h + 1);
        }
    }

    std::deque<Item> ready_; // mapped, not yet handed out
    bool acquired_ = false;
};

std::string AxisName(unsigned code) {
    switch (code) {
    case ABS_X: return "X Axis";
    case ABS_Y: return "Y Axis";
    case ABS_Z: return "Z Axis";
    case ABS_RX: return "X Rotation";
    case ABS_RY: return "Y Rotation";
    case ABS_RZ: return "Z Rotation";
    case ABS_THROTTLE: return "Throttle";
    case ABS_RUDDER: return "Rudder";
    case ABS_WHEEL: return "Wheel";
    case ABS_GAS: return "Gas";
    case ABS_BRAKE: return "Brake";
    default: return "Axis " + std::to_string(code);
    }
}

// One node found by a detection, before it is given to a device.
struct Source {
    libevdev* dev = nullptr; // owned until a member takes it
    int fd = -1;             // the kernel node, when it could be opened
    std::string path;        // the kernel node's path
    std::shared_ptr<EvemuBackend::Recording> rec;
    MicrosClock clock;
    bool readable = false;
    bool denied = false; // this user may not open the node
    std::string group;   // ...which belongs to this group

    Source() = default;
    Source(Source&& o) noexcept { *this = std::move(o); }
    Source& operator=(Source&& o) noexcept {
        std::swap(dev, o.dev);
        std::swap(fd, o.fd);
        path = std::move(o.path);
        rec = std::move(o.rec);
        clock = std::move(o.clock);
        readable = o.readable;
        denied = o.denied;
        group = std::move(o.group);
        return *this;
    }
    ~Source() {
        if (dev) libevdev_free(dev);
        if (fd >= 0) close(fd);
    }
    std::tuple<int, int, int> Ids() const {
        return {libevdev_get_id_bustype(dev), libevdev_get_id_vendor(dev), libevdev_get_id_product(dev)};
    }
};

// A member reading the source for one role. A node that plays in two
// devices is opened once more for the second, as two programs would.
std::unique_ptr<Member> TakeMember(Source& s, Role role, bool again) {
    if (!s.readable) return nullptr;
    auto m = std::make_unique<Member>();
    m->role = role;
    if (!again) {
        m->dev = std::exchange(s.dev, nullptr);
        m->fd = std::exchange(s.fd, -1);
    } else if (s.rec) {
        m->dev = NewDeviceFromDescription(s.rec->desc);
    } else {
        m->fd = open(s.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (m->fd < 0 || libevdev_new_from_fd(m->fd, &m->dev) < 0) m->dev = nullptr;
    }
    if (!m->dev) return nullptr;
    if (s.rec) {
        m->rec = s.rec;
        m->clock = s.clock ? s.clock : MicrosClock(SteadyMicros);
        // Replayed on the real clock, a timer wakes the server for each
        // event; on a test's own clock the test asks.
        if (!s.clock) m->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    }
    return m;
}

std::vector<std::unique_ptr<BackendDevice>> BuildDevices(std::vector<Source>& sources) {
    std::vector<NodeClass> cls;
    std::set<std::tuple<int, int, int>> controllerIds;
    for (Source& s : sources) {
        cls.push_back(Classify(s.dev));
        if (cls.back().controller) controllerIds.insert(s.Ids());
    }
    for (std::size_t i = 0; i < sources.size(); ++i)
        // A game controller's touchpad is part of the controller, not a mouse.
        if (cls[i].touchpad && controllerIds.count(sources[i].Ids())) cls[i] = NodeClass{};

    std::vector<std::unique_ptr<BackendDevice>> out;
    std::vector<bool> taken(sources.size(), false);
    auto member = [&](std::size_t i, Role role) {
        auto m = TakeMember(sources[i], role, taken[i]);
        taken[i] = true;
        return m;
    };
    // The joined keyboard and mouse come first, as the system's own do.
    auto joined = [&](bool NodeClass::*is, std::string_view name) {
        auto d = std::make_unique<EvdevDevice>();
        bool any = false, denied = false;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (!(cls[i].*is)) continue;
            any = true;
            const Role role = is == &NodeClass::keyboard ? Role::Keyboard
                              : cls[i].touchpad          ? Role::Touchpad
                                                         : Role::Pointer;
            if (auto m = member(i, role)) d->members.push_back(std::move(m));
            if (sources[i].denied && !denied) {
                denied = true;
                d->nodeGroup = sources[i].group;
            }
        }
        if (!any) return;
        d->name = std::string(name);
        if (is == &NodeClass::keyboard)
            for (const InputObject& o : KeyboardObjects()) d->keyNames.emplace_back(o.label);
        else
            for (const MouseObject& o : MouseObjects()) d->keyNames.emplace_back(o.object.label);
        d->ready = !d->members.empty();
        d->noPermission = !d->ready && denied;
        if (!d->noPermission) d->nodeGroup.clear();
        out.push_back(std::move(d));
    };
    joined(&NodeClass::keyboard, kKeyboardDeviceName);
    joined(&NodeClass::mouse, kMouseDeviceName);

    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!cls[i].controller) continue;
        const libevdev* dev = sources[i].dev;
        auto d = std::make_unique<EvdevDevice>();
        d->name = DeviceNameFromHardware(libevdev_get_name(dev) ? libevdev_get_name(dev) : "");
        std::vector<unsigned> axes, hats, buttons;
        for (unsigned a = 0; a <= ABS_MISC; ++a) {
            if (a >= ABS_HAT0X && a <= ABS_HAT3Y) continue;
            if (libevdev_has_event_code(dev, EV_ABS, a) == 1) axes.push_back(a);
        }
        for (unsigned h = ABS_HAT0X; h <= ABS_HAT3X; h += 2)
            if (libevdev_has_event_code(dev, EV_ABS, h) == 1 || libevdev_has_event_code(dev, EV_ABS, h + 1) == 1)
                hats.push_back(h);
        for (unsigned k = 0; k <= KEY_MAX; ++k)
            if (Key(dev, k)) buttons.push_back(k);
        for (unsigned a : axes) d->keyNames.push_back(AxisName(a));
        for (std::size_t h = 0; h < hats.size(); ++h) d->keyNames.push_back("Hat " + std::to_string(h + 1));
        for (std::size_t b = 0; b < buttons.size(); ++b) d->keyNames.push_back("Button " + std::to_string(b + 1));
        d->noPermission = sources[i].denied;
        if (d->noPermission) d->nodeGroup = sources[i].group;
        if (auto m = member(i, Role::Controller)) {
            m->axes = std::move(axes);
            m->hats = std::move(hats);
            m->buttons = std::move(buttons);
            d->members.push_back(std::move(m));
        }
        d->ready = !d->members.empty();
        out.push_back(std::move(d));
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------

libevdev* NewDeviceFromDescription(const EvemuDevice& d) {
    libevdev* dev = libevdev_new();
    if (!dev) return nullptr;
    libevdev_set_name(dev, d.name.c_str());
    libevdev_set_id_bustype(dev, d.bus);
    libevdev_set_id_vendor(dev, d.vendor);
    libevdev_set_id_product(dev, d.product);
    libevdev_set_id_version(dev, d.version);
    for (unsigned p = 0; p < kEvemuProps; ++p)
        if (d.HasProp(p)) libevdev_enable_property(dev, p);
    for (unsigned t = 1; t <= EV_MAX; ++t) {
        // As evemu-device loads a file: a code enables its type, whatever
        // the type bits say (some recorders left types out of them).
        const bool anyCode = std::any_of(d.bits[t].begin(), d.bits[t].end(), [](std::uint8_t b) { return b != 0; });
        if (!d.HasType(t) && !anyCode) continue;
        libevdev_enable_event_type(dev, t);
        const unsigned maxCode = EvemuMaxCode(t);
        for (unsigned c = 0; maxCode > 0 && c <= maxCode; ++c) {
            if (!d.Has(t, c)) continue;
            if (t == EV_ABS) {
                input_absinfo ai{};
                for (const EvemuAbs& a : d.abs)
                    if (a.code == c) {
                        ai.minimum = a.min;
                        ai.maximum = a.max;
                        ai.fuzz = a.fuzz;
                        ai.flat = a.flat;
                        ai.resolution = a.resolution;
                    }
                libevdev_enable_event_code(dev, t, c, &ai);
            } else if (t == EV_REP) {
                int v = 0;
                libevdev_enable_event_code(dev, t, c, &v);
            } else {
                libevdev_enable_event_code(dev, t, c, nullptr);
            }
        }
    }
    return dev;
}

NodeClass Classify(const libevdev* dev) {
    NodeClass c;
    if (!dev) {
        c.ignored = "not readable";
        return c;
    }
    // A controller's motion sensors are a node of their own; they would
    // play at every tilt.
    if (libevdev_has_property(dev, INPUT_PROP_ACCELEROMETER) == 1) {
        c.ignored = "motion sensors";
        return c;
    }
    // As udev decides: every key from Esc to D (codes 1-31) present.
    c.keyboard = libevdev_has_event_type(dev, EV_KEY) == 1;
    for (unsigned k = 1; k < 32 && c.keyboard; ++k) c.keyboard = Key(dev, k);
    // Touchscreens and drawing tablets point at a place on a screen or a
    // sheet; they are no mouse and play nothing here.
    const bool direct = libevdev_has_property(dev, INPUT_PROP_DIRECT) == 1;
    const bool pen = Key(dev, BTN_TOOL_PEN) || Key(dev, BTN_STYLUS) || Key(dev, BTN_TOOL_RUBBER) ||
                     Key(dev, BTN_TOOL_BRUSH) || Key(dev, BTN_TOOL_PENCIL) || Key(dev, BTN_TOOL_AIRBRUSH);
    if (!direct && !pen) {
        const bool absXY =
            libevdev_has_event_code(dev, EV_ABS, ABS_X) == 1 && libevdev_has_event_code(dev, EV_ABS, ABS_Y) == 1;
        const bool relXY =
            libevdev_has_event_code(dev, EV_REL, REL_X) == 1 && libevdev_has_event_code(dev, EV_REL, REL_Y) == 1;
        c.touchpad = Key(dev, BTN_TOOL_FINGER) && absXY;
        c.mouse = c.touchpad || (relXY && Key(dev, BTN_LEFT));
        c.controller = !c.keyboard && !c.mouse && HasControllerButtons(dev);
    }
    if (!c.keyboard && !c.mouse && !c.controller)
        c.ignored = direct ? "a touchscreen" : pen ? "a drawing tablet" : "nothing the program can play";
    return c;
}

// ---------------------------------------------------------------------------

EvdevBackend::EvdevBackend(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0 && inotify_add_watch(inotify_, devRoot_.c_str(),
                                           IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
        // No node folder (yet): nothing to watch; Detect Again still works.
        close(inotify_);
        inotify_ = -1;
    }
    lastSet_ = NodeSet();
}

EvdevBackend::~EvdevBackend() {
    if (inotify_ >= 0) close(inotify_);
}

void EvdevBackend::WatchFds(std::vector<int>& out) const {
    if (inotify_ >= 0) out.push_back(inotify_);
}

std::string EvdevBackend::NodeSet() const {
    std::vector<std::string> nodes;
    if (DIR* dir = opendir(devRoot_.c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string leaf = e->d_name;
            if (leaf.rfind("event", 0) != 0 || nodes.size() >= 4096) continue;
            const std::string path = devRoot_ + "/" + leaf;
            nodes.push_back(leaf + (access(path.c_str(), R_OK) == 0 ? "+" : "-"));
        }
        closedir(dir);
    }
    std::sort(nodes.begin(), nodes.end());
    std::string set;
    for (const std::string& n : nodes) set += n + " ";
    return set;
}

int EvdevBackend::Service() {
    const auto nowMs = [] { return SteadyMicros() / 1000; };
    if (inotify_ >= 0) {
        alignas(inotify_event) char buf[8192];
        for (;;) {
            const ssize_t n = read(inotify_, buf, sizeof buf);
            if (n <= 0) break;
            for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + off);
                const std::string_view leaf = e->len > 0 ? std::string_view(e->name) : std::string_view();
                if (leaf.rfind("event", 0) == 0 || (e->mask & IN_Q_OVERFLOW)) settleAtMs_ = nowMs() + kSettleMs;
                off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }
    if (settleAtMs_ < 0) return -1;
    const std::int64_t left = settleAtMs_ - nowMs();
    if (left > 0) return static_cast<int>(left);
    settleAtMs_ = -1;
    if (std::string set = NodeSet(); set != lastSet_) {
        lastSet_ = std::move(set);
        changed_ = true;
    }
    return -1;
}

bool EvdevBackend::TakeChanged() { return std::exchange(changed_, false); }

std::vector<std::unique_ptr<BackendDevice>> EvdevBackend::Enumerate() {
    namespace fs = std::filesystem;
    std::vector<std::pair<int, fs::path>> nodes;
    std::error_code ec;
    lastSet_ = NodeSet();
    changed_ = false;
    if (!fs::exists(sysRoot_, ec)) return {}; // no input class: no devices
    fs::directory_iterator it(sysRoot_, ec), end;
    if (ec) throw DetectionError("The input devices cannot be listed: " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) throw DetectionError("The input devices cannot be listed: " + ec.message());
        const std::string leaf = it->path().filename().string();
        if (leaf.rfind("event", 0) != 0 || leaf.size() > 12 || leaf.size() == 5 ||
            leaf.find_first_not_of("0123456789", 5) != std::string::npos)
            continue;
        nodes.emplace_back(std::stoi(leaf.substr(5)), it->path());
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<Source> sources;
    for (const auto& [number, sys] : nodes) {
        Source s;
        s.path = devRoot_ + "/event" + std::to_string(number);
        // Read-only, and never grabbed: other programs keep their input.
        const int fd = open(s.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int openErr = fd < 0 ? errno : 0;
        if (fd >= 0 && libevdev_new_from_fd(fd, &s.dev) == 0) {
            s.fd = fd;
            s.readable = true;
        } else {
            if (fd >= 0) close(fd);
            s.dev = nullptr;
            s.denied = openErr == EACCES || openErr == EPERM;
            if (s.denied) s.group = NodeGroup(s.path);
            // What it is, from what sysfs tells anyone, so the program can
            // say which device it cannot read.
            s.dev = NewDeviceFromDescription(FromSysfs(sys / "device"));
            if (!s.dev) continue;
        }
        sources.push_back(std::move(s));
    }
    return BuildDevices(sources);
}

// ---------------------------------------------------------------------------

EvemuBackend::EvemuBackend(const std::vector<std::string>& files, MicrosClock clock) : clock_(std::move(clock)) {
    for (const std::string& f : files) {
        std::string error;
        if (!Plug(f, error)) throw std::runtime_error("the recording " + f + ": " + error);
    }
    changed_ = false;
}

EvemuBackend::~EvemuBackend() = default;

bool EvemuBackend::Plug(const std::string& file, std::string& error) {
    auto r = std::make_shared<Recording>();
    if (!ReadEvemuFile(file, r->desc, error)) return false;
    libevdev* probe = NewDeviceFromDescription(r->desc);
    if (!probe) {
        error = "libevdev cannot make a device of it";
        return false;
    }
    libevdev_free(probe);
    r->file = file;
    recordings_.push_back(std::move(r));
    changed_ = true;
    return true;
}

bool EvemuBackend::Unplug(const std::string& file) {
    for (auto it = recordings_.begin(); it != recordings_.end(); ++it)
        if ((*it)->file == file) {
            (*it)->plugged = false; // its devices read nothing from now on
            recordings_.erase(it);
            changed_ = true;
            return true;
        }
    return false;
}

bool EvemuBackend::TakeChanged() { return std::exchange(changed_, false); }

std::vector<std::unique_ptr<BackendDevice>> EvemuBackend::Enumerate() {
    changed_ = false;
    std::vector<Source> sources;
    for (const auto& r : recordings_) {
        Source s;
        s.dev = NewDeviceFromDescription(r->desc);
        if (!s.dev) continue;
        s.rec = r;
        s.clock = clock_;
        s.readable = true;
        sources.push_back(std::move(s));
    }
    return BuildDevices(sources);
}

} // namespace tambrel::server
