#include "inputserver/EvdevBackend.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "input/KeyboardTable.h"

namespace tambrel::server {
namespace {

// A capability bitmap from sysfs: hexadecimal words of the width of a C
// long, the most significant word first.
class Bits {
public:
    static Bits Parse(const std::string& text) {
        Bits b;
        std::istringstream in(text);
        std::vector<unsigned long long> words;
        std::string w;
        while (in >> w && words.size() < 64) {
            unsigned long long v = 0;
            try {
                v = std::stoull(w, nullptr, 16);
            } catch (const std::exception&) {
                return {};
            }
            words.push_back(v);
        }
        std::reverse(words.begin(), words.end());
        b.words_ = std::move(words);
        return b;
    }
    bool Has(unsigned bit) const {
        const unsigned width = sizeof(long) * CHAR_BIT;
        const std::size_t word = bit / width;
        return word < words_.size() && ((words_[word] >> (bit % width)) & 1u);
    }

private:
    std::vector<unsigned long long> words_;
};

std::string ReadLine(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string s;
    std::getline(in, s);
    return s.substr(0, 256);
}

enum class Kind { Keyboard, Mouse, Controller };

// One opened event node.
struct Member {
    int fd = -1;
    libevdev* dev = nullptr;
    bool gone = false;
    std::map<unsigned, int> last; // absolute axes: the value last seen

    Member() = default;
    Member(const Member&) = delete;
    Member& operator=(const Member&) = delete;
    ~Member() {
        if (dev) libevdev_free(dev);
        if (fd >= 0) close(fd);
    }
};

// What an event means on a device: which object, and the item's value.
struct Mapped {
    std::int32_t keyNo = 0; // 0: not an item
    std::int32_t data = 0;
};

class EvdevDevice : public BackendDevice {
public:
    explicit EvdevDevice(Kind kind) : kind_(kind) {}

    // For controllers: object lists taken from the capabilities.
    std::vector<unsigned> axes, hats, buttons;
    std::vector<std::unique_ptr<Member>> members;

    bool Acquire(std::string&) override {
        // Reading starts with an empty buffer: whatever the kernel queued
        // while the device was off is not played.
        for (auto& m : members) Drain(*m);
        acquired_ = true;
        return true;
    }
    void Unacquire() override { acquired_ = false; }

    ReadResult Read(Item* items, int max) override {
        ReadResult r;
        bool anyLive = false;
        for (auto& m : members) {
            if (m->gone) continue;
            while (r.count < max) {
                input_event ev{};
                const int rc = libevdev_next_event(m->dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
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
                const Mapped it = Map(*m, ev);
                if (it.keyNo > 0) items[r.count++] = {it.keyNo, it.data};
            }
            if (!m->gone) anyLive = true;
        }
        if (!anyLive && r.count == 0) r.status = ReadStatus::Gone;
        return r;
    }

    bool Pending() override {
        if (!acquired_) return false;
        for (auto& m : members)
            if (!m->gone && libevdev_has_event_pending(m->dev) != 0) return true;
        return false;
    }

    void WatchFds(std::vector<int>& out) const override {
        for (const auto& m : members)
            if (!m->gone) out.push_back(m->fd);
    }

private:
    void Drain(Member& m) {
        if (m.gone) return;
        input_event ev{};
        for (int guard = 0; guard < 100000; ++guard) {
            const int rc = libevdev_next_event(m.dev, LIBEVDEV_READ_FLAG_NORMAL, &ev);
            if (rc == -EAGAIN) break;
            if (rc == LIBEVDEV_READ_STATUS_SYNC) continue;
            if (rc < 0) {
                m.gone = true;
                break;
            }
            if (ev.type == EV_ABS) m.last[ev.code] = ev.value;
        }
        // Absolute axes report changes from where they are now.
        for (unsigned a : axes) m.last[a] = libevdev_get_event_value(m.dev, EV_ABS, a);
        for (unsigned h : hats) {
            m.last[h] = libevdev_get_event_value(m.dev, EV_ABS, h);
            m.last[h + 1] = libevdev_get_event_value(m.dev, EV_ABS, h + 1);
        }
    }

    Mapped Map(Member& m, const input_event& ev) {
        // Autorepeat (value 2) is not a change of the key's state.
        if (ev.type == EV_KEY && ev.value == 2) return {};
        switch (kind_) {
        case Kind::Keyboard:
            if (ev.type == EV_KEY) return {KeyboardObjectForCode(ev.code), ev.value};
            return {};
        case Kind::Mouse:
            for (const MouseObject& o : MouseObjects()) {
                const bool rel = o.kind == MouseObjectKind::RelativeAxis;
                if ((rel && ev.type == EV_REL && ev.code == o.object.linuxCode) ||
                    (!rel && ev.type == EV_KEY &&
                     (ev.code == o.object.linuxCode || (o.altCode && ev.code == o.altCode))))
                    return {o.object.keyNo, ev.value};
            }
            return {};
        case Kind::Controller: break;
        }
        std::int32_t keyNo = 0;
        if (ev.type == EV_KEY) {
            const auto it = std::find(buttons.begin(), buttons.end(), ev.code);
            if (it == buttons.end()) return {};
            keyNo = static_cast<std::int32_t>(axes.size() + hats.size() +
                                              static_cast<std::size_t>(it - buttons.begin()) + 1);
            return {keyNo, ev.value};
        }
        if (ev.type != EV_ABS) return {};
        if (const auto it = std::find(axes.begin(), axes.end(), ev.code); it != axes.end()) {
            // Axes are read as movements, as the mouse is: the change since
            // the last value.
            const int before = m.last.count(ev.code) ? m.last[ev.code] : 0;
            m.last[ev.code] = ev.value;
            keyNo = static_cast<std::int32_t>(it - axes.begin()) + 1;
            return {keyNo, static_cast<std::int32_t>(static_cast<long long>(ev.value) - before)};
        }
        // A hat is one object: moving it off centre is a press, back to
        // centre a release.
        if (ev.code < ABS_HAT0X || ev.code > ABS_HAT3Y) return {};
        const unsigned base = ABS_HAT0X + ((ev.code - ABS_HAT0X) & ~1u);
        const auto it = std::find(hats.begin(), hats.end(), base);
        if (it == hats.end()) return {};
        m.last[ev.code] = ev.value;
        const int x = m.last.count(base) ? m.last[base] : 0, y = m.last.count(base + 1) ? m.last[base + 1] : 0;
        keyNo = static_cast<std::int32_t>(axes.size() + static_cast<std::size_t>(it - hats.begin())) + 1;
        const int sx = (x > 0) - (x < 0), sy = (y > 0) - (y < 0);
        return {keyNo, (sx == 0 && sy == 0) ? 0 : 1 + (sx + 1) + 3 * (sy + 1)};
    }

    Kind kind_;
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

struct Node {
    int number = 0; // N of eventN
    std::string name;
    Bits ev, key, rel, abs;
};

bool IsKeyboard(const Node& n) {
    if (!n.ev.Has(EV_KEY)) return false;
    // As udev decides: every key from Esc to D (codes 1-31) present.
    for (unsigned c = 1; c < 32; ++c)
        if (!n.key.Has(c)) return false;
    return true;
}

bool IsMouse(const Node& n) { return n.ev.Has(EV_REL) && n.rel.Has(REL_X) && n.rel.Has(REL_Y) && n.key.Has(BTN_LEFT); }

bool IsController(const Node& n) {
    for (unsigned c = BTN_JOYSTICK; c < BTN_DIGI; ++c)
        if (n.key.Has(c)) return true;
    for (unsigned c = BTN_TRIGGER_HAPPY; c <= BTN_TRIGGER_HAPPY40; ++c)
        if (n.key.Has(c)) return true;
    return false;
}

// Opens an event node; false with noPermission set when access is refused.
std::unique_ptr<Member> Open(const std::string& path, bool& noPermission) {
    // Read-only, and never grabbed: other programs keep their input.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM) noPermission = true;
        return nullptr;
    }
    auto m = std::make_unique<Member>();
    m->fd = fd;
    if (libevdev_new_from_fd(fd, &m->dev) < 0) {
        m->dev = nullptr;
        return nullptr;
    }
    return m;
}

} // namespace

EvdevBackend::EvdevBackend(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

std::vector<std::unique_ptr<BackendDevice>> EvdevBackend::Enumerate() {
    namespace fs = std::filesystem;
    std::vector<Node> nodes;
    std::error_code ec;
    if (!fs::exists(sysRoot_, ec)) return {}; // no input class: no devices
    fs::directory_iterator it(sysRoot_, ec), end;
    if (ec) throw DetectionError("The input devices cannot be listed: " + ec.message());
    for (; it != end; it.increment(ec)) {
        if (ec) throw DetectionError("The input devices cannot be listed: " + ec.message());
        const std::string leaf = it->path().filename().string();
        if (leaf.rfind("event", 0) != 0 || leaf.size() > 12 || leaf.size() == 5 ||
            leaf.find_first_not_of("0123456789", 5) != std::string::npos)
            continue;
        Node n;
        n.number = std::stoi(leaf.substr(5));
        const fs::path dev = it->path() / "device";
        n.name = ReadLine(dev / "name");
        n.ev = Bits::Parse(ReadLine(dev / "capabilities" / "ev"));
        n.key = Bits::Parse(ReadLine(dev / "capabilities" / "key"));
        n.rel = Bits::Parse(ReadLine(dev / "capabilities" / "rel"));
        n.abs = Bits::Parse(ReadLine(dev / "capabilities" / "abs"));
        nodes.push_back(std::move(n));
    }
    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) { return a.number < b.number; });
    auto path = [&](const Node& n) { return devRoot_ + "/event" + std::to_string(n.number); };

    std::vector<std::unique_ptr<BackendDevice>> out;
    // The joined keyboard and mouse come first, as the system's own do.
    auto joined = [&](Kind kind, bool (*is)(const Node&)) {
        auto d = std::make_unique<EvdevDevice>(kind);
        bool any = false, denied = false;
        for (const Node& n : nodes) {
            if (!is(n)) continue;
            any = true;
            bool noPerm = false;
            if (auto m = Open(path(n), noPerm)) d->members.push_back(std::move(m));
            denied = denied || noPerm;
        }
        if (!any) return;
        if (kind == Kind::Keyboard) {
            d->name = std::string(kKeyboardDeviceName);
            for (const InputObject& o : KeyboardObjects()) d->keyNames.emplace_back(o.label);
        } else {
            d->name = std::string(kMouseDeviceName);
            for (const MouseObject& o : MouseObjects()) d->keyNames.emplace_back(o.object.label);
        }
        d->ready = !d->members.empty();
        d->noPermission = !d->ready && denied;
        out.push_back(std::move(d));
    };
    joined(Kind::Keyboard, IsKeyboard);
    joined(Kind::Mouse, IsMouse);

    for (const Node& n : nodes) {
        if (!IsController(n) || IsKeyboard(n) || IsMouse(n)) continue;
        auto d = std::make_unique<EvdevDevice>(Kind::Controller);
        d->name = n.name;
        for (unsigned a = 0; a <= ABS_MISC; ++a) {
            if (a >= ABS_HAT0X && a <= ABS_HAT3Y) continue;
            if (n.abs.Has(a)) d->axes.push_back(a);
        }
        for (unsigned h = ABS_HAT0X; h <= ABS_HAT3X; h += 2)
            if (n.abs.Has(h) || n.abs.Has(h + 1)) d->hats.push_back(h);
        for (unsigned k = 0; k <= KEY_MAX; ++k)
            if (n.key.Has(k)) d->buttons.push_back(k);
        for (unsigned a : d->axes) d->keyNames.push_back(AxisName(a));
        for (std::size_t h = 0; h < d->hats.size(); ++h) d->keyNames.push_back("Hat " + std::to_string(h + 1));
        for (std::size_t b = 0; b < d->buttons.size(); ++b) d->keyNames.push_back("Button " + std::to_string(b + 1));
        bool noPerm = false;
        if (auto m = Open(path(n), noPerm)) d->members.push_back(std::move(m));
        d->ready = !d->members.empty();
        d->noPermission = noPerm;
        out.push_back(std::move(d));
    }
    return out;
}

} // namespace tambrel::server
