#include "inputserver/VirtualBackend.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <utility>

#include "input/KeyboardTable.h"

namespace tambrel::server {
namespace {

constexpr std::size_t kMaxLine = 64 * 1024;
constexpr std::size_t kMaxBuffered = 16u << 20;
constexpr std::size_t kMaxDevices = 1000;
constexpr std::size_t kMaxKeys = 10000;
// Changes a MIDI port buffers unread; beyond this they are lost, as a full
// sequencer queue loses them.
constexpr std::size_t kMaxMidiQueued = 1024;
constexpr long long kMaxMidiRepeat = 1000000;

long long NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long& out) {
    long long v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || v < lo || v > hi) return false;
    out = v;
    return true;
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> w;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
        const std::size_t b = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
        if (i > b) w.push_back(s.substr(b, i - b));
    }
    return w;
}

class VirtualDevice : public BackendDevice {
public:
    explicit VirtualDevice(std::shared_ptr<VirtualBackend::Described> d) : d_(std::move(d)) {
        name = d_->name;
        keyNames = d_->keys;
        ready = d_->ready && !d_->denied;
        noPermission = d_->denied;
        d_->inTable = true;
    }
    ~VirtualDevice() override {
        d_->inTable = false;
        d_->acquired = false;
        d_->queue.clear();
    }
    bool Acquire(std::string& error) override {
        if (d_->failAcquire) {
            error = "The device " + name + " could not be acquired";
            return false;
        }
        d_->acquired = true;
        d_->queue.clear(); // buffering starts now
        return true;
    }
    void Unacquire() override {
        d_->acquired = false;
        d_->queue.clear();
    }
    ReadResult Read(Item* items, int max) override {
        if (!d_->plugged) return {0, ReadStatus::Gone};
        ReadResult r;
        while (r.count < max && !d_->queue.empty()) {
            const Item it = d_->queue.front();
            d_->queue.pop_front();
            if (it.keyNo == 0) { // changes were lost here: the read ends
                r.status = ReadStatus::Overflow;
                break;
            }
            items[r.count++] = it;
        }
        return r;
    }
    bool Pending() override { return d_->plugged && d_->acquired && !d_->queue.empty(); }
    void WatchFds(std::vector<int>&) const override {}

private:
    std::shared_ptr<VirtualBackend::Described> d_;
};

} // namespace

VirtualBackend::VirtualBackend(const std::string& path, RecordingService* recordings) : recordings_(recordings) {
    fd_ = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open the device script " + path);
    struct stat st {};
    canWatch_ = fstat(fd_, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISCHR(st.st_mode));
}

VirtualBackend::~VirtualBackend() {
    if (fd_ >= 0) close(fd_);
}

void VirtualBackend::Complain(const std::string& what) const {
    // Only the script's own text: the virtual service never sees a real key.
    std::fprintf(stderr, "TambrelOrchestraDll: device script line %ld: %s\n", lineNo_, what.c_str());
}

void VirtualBackend::WatchFds(std::vector<int>& out) const {
    if (canWatch_ && !eof_ && buffered_.size() < kMaxBuffered) out.push_back(fd_);
    if (recordings_) recordings_->WatchFds(out);
}

bool VirtualBackend::TakeChanged() {
    const bool theirs = recordings_ && recordings_->TakeChanged();
    return (std::exchange(changed_, false) || theirs) && detected_;
}

VirtualBackend::Described* VirtualBackend::DeviceArg(const std::string& text) {
    long long d = 0;
    if (!ParseInt(text, 1, static_cast<long long>(described_.size()), d)) {
        Complain("no device " + text);
        return nullptr;
    }
    return described_[static_cast<std::size_t>(d - 1)].get();
}

int VirtualBackend::Service() {
    const int theirs = recordings_ ? recordings_->Service() : -1;
    const int ours = ServiceScript();
    return theirs < 0 ? ours : ours < 0 ? theirs : std::min(ours, theirs);
}

int VirtualBackend::ServiceScript() {
    const long long now = NowMs();
    if (!eof_) {
        char buf[8192];
        while (buffered_.size() < kMaxBuffered) {
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n > 0) {
                buffered_.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) eof_ = true;
            break; // EAGAIN: nothing more yet; other errors end like EOF
        }
        if (!eof_ && !canWatch_ && buffered_.size() < kMaxBuffered) eof_ = true;
    }
    if (resumeAt_ >= 0 && now >= resumeAt_) resumeAt_ = -1;
    if (awaitAcquire_)
        for (const auto& d : described_)
            if (d->acquired) awaitAcquire_ = false;
    std::size_t pos = 0;
    while (resumeAt_ < 0 && !awaitAcquire_) {
        const std::size_t nl = buffered_.find('\n', pos);
        std::string line;
        if (nl == std::string::npos) {
            if (buffered_.size() - pos > kMaxLine) {
                ++lineNo_;
                Complain("line too long; the rest of the script is ignored");
                pos = buffered_.size();
                eof_ = true;
                break;
            }
            if (!eof_ || pos == buffered_.size()) break;
            line = buffered_.substr(pos);
            pos = buffered_.size();
        } else {
            line = buffered_.substr(pos, nl - pos);
            pos = nl + 1;
        }
        if (line.size() > kMaxLine) {
            ++lineNo_;
            Complain("line too long");
            continue;
        }
        Line(line);
    }
    buffered_.erase(0, pos);
    if (resumeAt_ < 0) return -1;
    const long long left = resumeAt_ - NowMs();
    return left <= 0 ? 0 : static_cast<int>(left > 1000000 ? 1000000 : left);
}

void VirtualBackend::Line(const std::string& raw) {
    ++lineNo_;
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') return;
    line.erase(0, start);
    const std::size_t sp = line.find(' ');
    const std::string cmd = line.substr(0, sp);
    // The text after the command and one blank, exactly: names may be empty
    // or hold blanks.
    const std::string rest = sp == std::string::npos ? "" : line.substr(sp + 1);
    const std::vector<std::string> args = Words(rest);

    auto addDevice = [&](std::string name, bool ready, bool denied) -> Described* {
        if (described_.size() >= kMaxDevices) {
            Complain("too many devices");
            return nullptr;
        }
        auto d = std::make_shared<Described>();
        changed_ = true; // plugged in
        d->name = std::move(name);
        d->ready = ready;
        d->denied = denied;
        described_.push_back(d);
        return d.get();
    };

    if (cmd == "device") {
        addDevice(rest, true, false);
    } else if (cmd == "device-unready") {
        addDevice(rest, false, false);
    } else if (cmd == "device-denied") {
        addDevice(rest, false, true);
    } else if (cmd == "keyboard") {
        if (Described* d = addDevice(std::string(kKeyboardDeviceName), true, false))
            for (const InputObject& o : KeyboardObjects()) d->keys.emplace_back(o.label);
    } else if (cmd == "mouse") {
        if (Described* d = addDevice(std::string(kMouseDeviceName), true, false))
            for (const MouseObject& o : MouseObjects()) d->keys.emplace_back(o.object.label);
    } else if (cmd == "key" || cmd == "keys") {
        if (described_.empty()) return Complain("a key before any device");
        Described& d = *described_.back();
        if (cmd == "key") {
            if (d.keys.size() >= kMaxKeys) return Complain("too many keys");
            d.keys.push_back(rest);
            return;
        }
        long long n = 0;
        if (args.empty() || !ParseInt(args[0], 0, static_cast<long long>(kMaxKeys - d.keys.size()), n))
            return Complain("keys wants a count that keeps the device within " + std::to_string(kMaxKeys) + " keys");
        const std::size_t cut = rest.find(args[0]) + args[0].size();
        const std::string prefix = cut < rest.size() ? rest.substr(cut + 1) : "";
        for (long long i = 1; i <= n; ++i) d.keys.push_back(prefix + std::to_string(i));
    } else if (cmd == "event") {
        long long key = 0, value = 0;
        if (args.size() != 3) return Complain("event wants DEVICE KEY VALUE");
        Described* d = DeviceArg(args[0]);
        if (!d) return;
        if (!ParseInt(args[1], 1, static_cast<long long>(d->keys.size()), key) ||
            !ParseInt(args[2], INT32_MIN, INT32_MAX, value))
            return Complain("event wants a key of the device and a 32-bit value");
        // Only an acquired device buffers, as a real one does.
        if (d->plugged && d->inTable && d->acquired)
            d->queue.push_back({static_cast<std::int32_t>(key), static_cast<std::int32_t>(value)});
    } else if (cmd == "midi-port") {
        if (Described* d = addDevice(std::string(kMidiDevicePrefix) + rest, true, false)) {
            d->midi = true;
            d->keys = MidiKeyNames();
        }
    } else if (cmd == "midi" || cmd == "midi-repeat") {
        // midi DEVICE BYTE...; midi-repeat DEVICE COUNT BYTE... (hex bytes)
        const std::size_t first = cmd == "midi" ? 1 : 2;
        if (args.size() < first + 1) return Complain(cmd + " wants DEVICE " + (first == 2 ? "COUNT " : "") + "BYTE...");
        Described* d = DeviceArg(args[0]);
        if (!d) return;
        if (!d->midi) return Complain("device " + args[0] + " is no MIDI port");
        long long times = 1;
        if (first == 2 && !ParseInt(args[1], 0, kMaxMidiRepeat, times))
            return Complain("midi-repeat wants a count up to " + std::to_string(kMaxMidiRepeat));
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = first; i < args.size(); ++i) {
            unsigned v = 0;
            const char* b = args[i].data();
            const auto [p, ec] = std::from_chars(b, b + args[i].size(), v, 16);
            if (ec != std::errc() || p != b + args[i].size() || v > 0xFF || args[i].size() > 2)
                return Complain("not a hex byte: " + args[i]);
            bytes.push_back(static_cast<std::uint8_t>(v));
        }
        const bool reading = d->plugged && d->inTable && d->acquired;
        for (long long t = 0; t < times; ++t)
            for (std::uint8_t byte : bytes) {
                // The port is read whether or not the program listens.
                const std::optional<Item> it = d->midiReader.Feed(byte);
                if (!it || it->data == 0 || !reading) continue;
                if (d->queue.size() < kMaxMidiQueued) d->queue.push_back(*it);
                else if (d->queue.back().keyNo != 0) d->queue.push_back({0, 0});
            }
    } else if (cmd == "overflow") {
        if (args.size() != 1) return Complain("overflow wants DEVICE");
        if (Described* d = DeviceArg(args[0]); d && d->plugged && d->inTable && d->acquired) d->queue.push_back({0, 0});
    } else if (cmd == "unplug") {
        if (args.size() != 1) return Complain("unplug wants DEVICE");
        if (Described* d = DeviceArg(args[0])) {
            changed_ = changed_ || d->plugged;
            d->plugged = false;
            d->queue.clear();
        }
    } else if (cmd == "replug") {
        if (args.size() != 1) return Complain("replug wants DEVICE");
        if (Described* d = DeviceArg(args[0])) {
            changed_ = changed_ || !d->plugged;
            d->plugged = true;
        }
    } else if (cmd == "evemu" || cmd == "evemu-unplug") {
        if (!recordings_) return Complain("this server plays no recordings (built without evdev)");
        if (rest.empty()) return Complain(cmd + " wants FILE");
        std::string error;
        if (cmd == "evemu" && !recordings_->Plug(rest, error)) return Complain(rest + ": " + error);
        if (cmd == "evemu-unplug" && !recordings_->Unplug(rest))
            return Complain("no recording " + rest + " is plugged in");
    } else if (cmd == "fail-acquire") {
        if (args.size() != 1) return Complain("fail-acquire wants DEVICE");
        if (Described* d = DeviceArg(args[0])) d->failAcquire = true;
    } else if (cmd == "fail-detect") {
        failDetect_ = rest.empty() ? "Detection failed" : rest;
        failDetectSet_ = true;
    } else if (cmd == "wait-acquire") {
        awaitAcquire_ = true;
        for (const auto& d : described_)
            if (d->acquired) awaitAcquire_ = false;
    } else if (cmd == "wait") {
        long long ms = 0;
        if (args.size() != 1 || !ParseInt(args[0], 0, 86400000, ms)) return Complain("wait wants milliseconds");
        resumeAt_ = NowMs() + ms;
    } else {
        Complain("unknown command " + cmd);
    }
}

std::vector<std::unique_ptr<BackendDevice>> VirtualBackend::Enumerate() {
    detected_ = true;
    changed_ = false;
    if (recordings_) recordings_->TakeChanged();
    if (failDetectSet_) {
        failDetectSet_ = false;
        throw DetectionError(failDetect_);
    }
    std::vector<std::unique_ptr<BackendDevice>> out;
    for (const auto& d : described_) {
        if (d->plugged) out.push_back(std::make_unique<VirtualDevice>(d));
    }
    if (recordings_)
        for (auto& d : recordings_->Enumerate()) out.push_back(std::move(d));
    return out;
}

} // namespace tambrel::server
