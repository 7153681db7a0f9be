#pragma once
// The wire between the input-device server (TambrelOrchestraDll) and the
// program's bridge. Both ends use this one codec, so the two can never
// disagree about a byte.
//
// A frame is a 4-byte little-endian length, then that many bytes: one type
// byte and the body. Bodies hold little-endian int32 values and strings as a
// 4-byte length followed by the bytes. Every reader checks lengths against
// the bytes really present before it reads or allocates anything.
//
// The detection reply travels as the int32 array the program has always
// used: [0, N, then per device: ready (-1/0), key count, packed name,
// packed key names]. A packed string is n + 1 elements: n, the character
// count L, then the characters four to an element, low byte first.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tambrel {

// 2: presses carry the time the server read them; Ping and Pong.
// 3: DevicesChanged; a NoPermission notice names the nodes' group.
// 4: Note.
inline constexpr std::uint32_t kInputProtocolVersion = 4;
// No legitimate frame comes near this; a larger length means a broken peer.
inline constexpr std::uint32_t kMaxFrameBytes = 8u << 20;

enum class FrameType : std::uint8_t {
    // server -> bridge
    Hello = 1,        // u32 protocol version; sent once, first
    DetectReply = 2,  // i32 element count, then the elements
    AcquireReply = 3, // i32 0 = done, else the failing device; string error text
    UnacquireReply = 4,
    PlayThisKey = 5,     // i32 key number, i32 device number, u64 when read (MonotonicMicros)
    Message = 6,         // string text, string title: a message box the server asks for
    DeviceNotice = 7,    // i32 notice kind, string device name, string group of its nodes (may be empty)
    Overflow = 8,        // i32 presses dropped here because the program did not read them
    Pong = 9,            // the answer to Ping
    DevicesChanged = 10, // a device was plugged in or out: detecting again is worth it
    Note = 11,           // string text: a line for the status panel (a port taken, a socket open to the network)
    // bridge -> server
    Detect = 20, // i32 window handle (unused on this platform)
    Acquire = 21,
    Unacquire = 22,
    Ping = 23, // a sign of life, asked without waiting for it
};

enum class DeviceNoticeKind : std::int32_t {
    NoPermission = 1, // the device exists but may not be opened by this user
};

struct Frame {
    FrameType type{};
    std::string body;
};

// A whole frame, ready to send.
std::string EncodeFrame(FrameType type, std::string_view body);

// Collects bytes as they arrive and hands out whole frames.
class FrameReader {
public:
    enum class Result { NeedMore, GotFrame, Broken };

    void Append(const char* data, std::size_t size);
    // Takes the next whole frame out of the buffer. Broken means the length
    // is impossible (0 or above kMaxFrameBytes); the stream cannot be trusted
    // after that.
    Result Next(Frame& out);
    // Bytes received and not yet handed out.
    std::size_t Buffered() const { return buf_.size() - pos_; }

private:
    std::string buf_;
    std::size_t pos_ = 0;
};

class BodyWriter {
public:
    BodyWriter& I32(std::int32_t v);
    BodyWriter& U32(std::uint32_t v);
    BodyWriter& U64(std::uint64_t v);
    BodyWriter& Str(std::string_view s);
    const std::string& Bytes() const { return out_; }

private:
    std::string out_;
};

// Reads a body; every getter fails (and leaves the reader failed) instead of
// reading past the end.
class BodyReader {
public:
    explicit BodyReader(std::string_view body) : in_(body) {}
    bool I32(std::int32_t& v);
    bool U32(std::uint32_t& v);
    bool U64(std::uint64_t& v);
    bool Str(std::string& s);
    bool AtEnd() const { return ok_ && pos_ == in_.size(); }
    bool Ok() const { return ok_; }

private:
    std::string_view in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// The element count n of a packed string of L characters: 1 for L = 0,
// otherwise L / 4 + 2 rounded to the nearest integer with halves to even.
std::int32_t PackedStringN(std::size_t length);
void AppendPackedString(std::vector<std::int32_t>& out, std::string_view text);
// Reads the packed string at pos and moves pos past it. Fails on a string
// that runs past the end, claims more characters than its elements hold, or
// has n below 1.
bool ReadPackedString(const std::vector<std::int32_t>& in, std::size_t& pos, std::string& text);

struct DetectedDevice {
    std::string name;
    bool ready = false;
    std::vector<std::string> keyNames;
};

std::vector<std::int32_t> EncodeDetectionReply(const std::vector<DetectedDevice>& devices);
// The reply of a failed detection: one element holding 0.
inline std::vector<std::int32_t> DetectionErrorReply() { return {0}; }
// Decodes a reply of at least two elements. False when the reply is cut
// short or inconsistent; devices then holds nothing.
bool DecodeDetectionReply(const std::vector<std::int32_t>& reply, std::vector<DetectedDevice>& devices);

// Microseconds on CLOCK_MONOTONIC: the one clock both processes read, so
// the program can tell how long ago the server read a press.
std::uint64_t MonotonicMicros();

// Frame bodies shared by both ends.
std::string PlayThisKeyBody(std::int32_t keyNo, std::int32_t inpDvNo, std::uint64_t readAtUs);
bool ParsePlayThisKeyBody(std::string_view body, std::int32_t& keyNo, std::int32_t& inpDvNo, std::uint64_t& readAtUs);
std::string DetectReplyBody(const std::vector<std::int32_t>& reply);
bool ParseDetectReplyBody(std::string_view body, std::vector<std::int32_t>& reply);

} // namespace tambrel
