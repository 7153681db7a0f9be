#include "input/InputProtocol.h"

#include <time.h>

namespace tambrel {
namespace {

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xffu);
}

std::uint32_t GetU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

} // namespace

std::string EncodeFrame(FrameType type, std::string_view body) {
    std::string out;
    out.reserve(5 + body.size());
    PutU32(out, static_cast<std::uint32_t>(body.size() + 1));
    out += static_cast<char>(type);
    out.append(body);
    return out;
}

void FrameReader::Append(const char* data, std::size_t size) {
    // Drop what was handed out before growing, so a long-lived reader does
    // not keep every byte it ever saw.
    if (pos_ > 0 && pos_ >= buf_.size() / 2) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    buf_.append(data, size);
}

FrameReader::Result FrameReader::Next(Frame& out) {
    const std::size_t avail = buf_.size() - pos_;
    if (avail < 4) return Result::NeedMore;
    const std::uint32_t len = GetU32(buf_.data() + pos_);
    if (len == 0 || len > kMaxFrameBytes) return Result::Broken;
    if (avail - 4 < len) return Result::NeedMore;
    out.type = static_cast<FrameType>(static_cast<unsigned char>(buf_[pos_ + 4]));
    out.body.assign(buf_, pos_ + 5, len - 1);
    pos_ += 4 + len;
    if (pos_ == buf_.size()) {
        buf_.clear();
        pos_ = 0;
    }
    return Result::GotFrame;
}

BodyWriter& BodyWriter::I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }

BodyWriter& BodyWriter::U32(std::uint32_t v) {
    PutU32(out_, v);
    return *this;
}

BodyWriter& BodyWriter::Str(std::string_view s) {
    PutU32(out_, static_cast<std::uint32_t>(s.size()));
    out_.append(s);
    return *this;
}

BodyWriter& BodyWriter::U64(std::uint64_t v) {
    PutU32(out_, static_cast<std::uint32_t>(v & 0xffffffffu));
    return U32(static_cast<std::uint32_t>(v >> 32));
}

bool BodyReader::U64(std::uint64_t& v) {
    std::uint32_t lo = 0, hi = 0;
    if (!U32(lo) || !U32(hi)) return false;
    v = (static_cast<std::uint64_t>(hi) << 32) | lo;
    return true;
}

bool BodyReader::U32(std::uint32_t& v) {
    if (!ok_ || in_.size() - pos_ < 4) return ok_ = false;
    v = GetU32(in_.data() + pos_);
    pos_ += 4;
    return true;
}

bool BodyReader::I32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<std::int32_t>(u);
    return true;
}

bool BodyReader::Str(std::string& s) {
    std::uint32_t len = 0;
    if (!U32(len)) return false;
    if (in_.size() - pos_ < len) return ok_ = false;
    s.assign(in_.substr(pos_, len));
    pos_ += len;
    return true;
}

std::int32_t PackedStringN(std::size_t length) {
    if (length == 0) return 1;
    // (L + 8) / 4 with halves to even, in integers.
    const std::size_t whole = (length + 8) / 4, quarter = (length + 8) % 4;
    std::size_t n = whole;
    if (quarter > 2 || (quarter == 2 && whole % 2 == 1)) ++n;
    return static_cast<std::int32_t>(n);
}

void AppendPackedString(std::vector<std::int32_t>& out, std::string_view text) {
    const std::int32_t n = PackedStringN(text.size());
    out.push_back(n);
    out.push_back(static_cast<std::int32_t>(text.size()));
    for (std::int32_t e = 2; e <= n; ++e) {
        std::uint32_t v = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            const std::size_t i = static_cast<std::size_t>(e - 2) * 4 + b;
            if (i < text.size()) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (8 * b);
        }
        out.push_back(static_cast<std::int32_t>(v));
    }
}

bool ReadPackedString(const std::vector<std::int32_t>& in, std::size_t& pos, std::string& text) {
    if (pos >= in.size() || in.size() - pos < 2) return false;
    const std::int32_t n = in[pos];
    if (n < 1 || static_cast<std::size_t>(n) > in.size() - pos - 1) return false;
    const std::int32_t length = in[pos + 1];
    text.clear();
    if (length > 0) {
        if (static_cast<std::int64_t>(length) > static_cast<std::int64_t>(n - 1) * 4) return false;
        text.reserve(static_cast<std::size_t>(length));
        for (std::int32_t i = 0; i < length; ++i) {
            const auto v = static_cast<std::uint32_t>(in[pos + 2 + static_cast<std::size_t>(i / 4)]);
            text += static_cast<char>((v >> (8 * (i % 4))) & 0xffu);
        }
    }
    pos += static_cast<std::size_t>(n) + 1;
    return true;
}

std::vector<std::int32_t> EncodeDetectionReply(const std::vector<DetectedDevice>& devices) {
    std::vector<std::int32_t> out{0, static_cast<std::int32_t>(devices.size())};
    for (const DetectedDevice& d : devices) {
        out.push_back(d.ready ? -1 : 0);
        out.push_back(static_cast<std::int32_t>(d.keyNames.size()));
        AppendPackedString(out, d.name);
        for (const std::string& k : d.keyNames) AppendPackedString(out, k);
    }
    return out;
}

bool DecodeDetectionReply(const std::vector<std::int32_t>& reply, std::vector<DetectedDevice>& devices) {
    devices.clear();
    if (reply.size() < 2) return false;
    const std::int32_t count = reply[1];
    // Each device needs at least ready, key count and an empty name (4 elements).
    if (count < 0 || static_cast<std::size_t>(count) > (reply.size() - 2) / 4) return false;
    std::vector<DetectedDevice> result;
    result.reserve(static_cast<std::size_t>(count));
    std::size_t pos = 2;
    for (std::int32_t d = 0; d < count; ++d) {
        if (reply.size() - pos < 2) return false;
        DetectedDevice dev;
        dev.ready = reply[pos] != 0;
        const std::int32_t keys = reply[pos + 1];
        pos += 2;
        if (!ReadPackedString(reply, pos, dev.name)) return false;
        // Each key name takes at least two elements.
        if (keys < 0 || static_cast<std::size_t>(keys) > (reply.size() - pos) / 2) return false;
        dev.keyNames.resize(static_cast<std::size_t>(keys));
        for (std::string& k : dev.keyNames)
            if (!ReadPackedString(reply, pos, k)) return false;
        result.push_back(std::move(dev));
    }
    devices = std::move(result);
    return true;
}

std::uint64_t MonotonicMicros() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

std::string PlayThisKeyBody(std::int32_t keyNo, std::int32_t inpDvNo, std::uint64_t readAtUs) {
    return BodyWriter().I32(keyNo).I32(inpDvNo).U64(readAtUs).Bytes();
}

bool ParsePlayThisKeyBody(std::string_view body, std::int32_t& keyNo, std::int32_t& inpDvNo, std::uint64_t& readAtUs) {
    BodyReader r(body);
    return r.I32(keyNo) && r.I32(inpDvNo) && r.U64(readAtUs) && r.AtEnd();
}

std::string DetectReplyBody(const std::vector<std::int32_t>& reply) {
    BodyWriter w;
    w.I32(static_cast<std::int32_t>(reply.size()));
    for (std::int32_t v : reply) w.I32(v);
    return w.Bytes();
}

bool ParseDetectReplyBody(std::string_view body, std::vector<std::int32_t>& reply) {
    BodyReader r(body);
    std::int32_t count = 0;
    if (!r.I32(count) || count < 0 || static_cast<std::size_t>(count) != (body.size() - 4) / 4 || body.size() % 4 != 0)
        return false;
    reply.assign(static_cast<std::size_t>(count), 0);
    for (std::int32_t& v : reply)
        if (!r.I32(v)) return false;
    return r.AtEnd();
}

} // namespace tambrel
