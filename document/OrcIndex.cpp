#include "document/OrcIndex.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "common/NumberText.h"

namespace tambrel {
namespace {

std::int32_t GetLE32(const unsigned char* p) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads the bytes front to back through one buffer; a skip beyond what the
// buffer holds costs nothing until the next read. After a skip it reads a
// little, and more each time the reading goes on from there, so that a pass
// over stored waves reads hardly any of the samples it skips while one over
// small entries soon reads 64 KB at a time.
class Scanner {
public:
    explicit Scanner(const ByteSource& src) : src_(src), buf_(64 * 1024) {}
    // Copies n bytes; false at the end of the bytes.
    bool Read(void* out, std::size_t n) {
        auto* o = static_cast<char*>(out);
        while (n > 0) {
            if (at_ == end_ && !Fill()) return false;
            const std::size_t take = std::min(n, end_ - at_);
            std::memcpy(o, buf_.data() + at_, take);
            o += take, at_ += take, n -= take;
        }
        return true;
    }
    void Append(std::string& out, std::size_t n) {
        const std::size_t from = out.size();
        out.resize(from + n);
        if (!Read(out.data() + from, n)) throw std::runtime_error("The file ended while it was read");
    }
    void SkipTo(std::uint64_t pos) {
        const std::uint64_t bufStart = filePos_ - end_;
        if (pos >= bufStart && pos <= filePos_) {
            at_ = static_cast<std::size_t>(pos - bufStart);
            return;
        }
        at_ = end_ = 0;
        filePos_ = pos;
        chunk_ = kFirstChunk;
    }

private:
    bool Fill() {
        const std::size_t n = src_.ReadAt(filePos_, buf_.data(), chunk_);
        chunk_ = std::min(chunk_ * 2, buf_.size());
        at_ = 0;
        end_ = n;
        filePos_ += n;
        return n > 0;
    }

    static constexpr std::size_t kFirstChunk = 4096;
    const ByteSource& src_;
    std::vector<char> buf_;
    std::size_t chunk_ = kFirstChunk;
    std::size_t at_ = 0, end_ = 0;
    std::uint64_t filePos_ = 0; // of the byte after the buffer's end
};

std::uint64_t Rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

void SipRound(std::uint64_t& v0, std::uint64_t& v1, std::uint64_t& v2, std::uint64_t& v3) {
    v0 += v1, v1 = Rotl(v1, 13), v1 ^= v0, v0 = Rotl(v0, 32);
    v2 += v3, v3 = Rotl(v3, 16), v3 ^= v2;
    v0 += v3, v3 = Rotl(v3, 21), v3 ^= v0;
    v2 += v1, v1 = Rotl(v1, 17), v1 ^= v2, v2 = Rotl(v2, 32);
}

} // namespace

std::uint64_t KeyedHash::operator()(std::string_view s) const {
    std::uint64_t v0 = k0 ^ 0x736f6d6570736575ull, v1 = k1 ^ 0x646f72616e646f6dull;
    std::uint64_t v2 = k0 ^ 0x6c7967656e657261ull, v3 = k1 ^ 0x7465646279746573ull;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t m = 0;
        for (int b = 0; b < 8; ++b) m |= static_cast<std::uint64_t>(p[i + static_cast<std::size_t>(b)]) << (8 * b);
        v3 ^= m;
        SipRound(v0, v1, v2, v3);
        v0 ^= m;
    }
    std::uint64_t last = static_cast<std::uint64_t>(n) << 56;
    for (int b = 0; i + static_cast<std::size_t>(b) < n; ++b)
        last |= static_cast<std::uint64_t>(p[i + static_cast<std::size_t>(b)]) << (8 * b);
    v3 ^= last;
    SipRound(v0, v1, v2, v3);
    v0 ^= last;
    v2 ^= 0xff;
    for (int r = 0; r < 3; ++r) SipRound(v0, v1, v2, v3);
    return v0 ^ v1 ^ v2 ^ v3;
}

void OrcIndex::Clear() {
    src_ = nullptr;
    entries_.clear();
    kept_.clear();
    names_.clear();
    nameStart_.clear();
    distinct_.clear();
    tags_.clear();
    ids_.clear();
    places_.clear();
    lastFound_ = 0;
}

namespace {
std::uint8_t TagOf(std::uint64_t hash) { return static_cast<std::uint8_t>(1 + (hash >> 56) % 255); }
} // namespace

std::uint32_t OrcIndex::Lookup(std::string_view name, std::uint64_t hash, std::size_t& slot) const {
    const std::size_t mask = tags_.size() - 1;
    const std::uint8_t tag = TagOf(hash);
    for (slot = static_cast<std::size_t>(hash) & mask; tags_[slot] != 0; slot = (slot + 1) & mask)
        if (tags_[slot] == tag && NameAt(distinct_[ids_[slot]].place) == name) return ids_[slot];
    return kEmpty;
}

void OrcIndex::HashNames() {
    std::random_device rd;
    hash_ = KeyedHash{(std::uint64_t{rd()} << 32) | rd(), (std::uint64_t{rd()} << 32) | rd()};
    // At most half full, so probe runs stay short.
    std::size_t slots = 16;
    while (slots < 2 * entries_.size()) slots *= 2;
    tags_.assign(slots, 0);
    ids_.assign(slots, kEmpty);
    for (std::uint32_t p = 0; p < entries_.size(); ++p) {
        const std::string_view name = NameAt(p);
        const std::uint64_t h = hash_(name);
        std::size_t slot = 0;
        std::uint32_t id = Lookup(name, h, slot);
        if (id == kEmpty) {
            id = static_cast<std::uint32_t>(distinct_.size());
            distinct_.push_back({p, 0, 0});
            tags_[slot] = TagOf(h);
            ids_[slot] = id;
        }
        ++distinct_[id].count;
        entries_[p].name = id;
    }
    // Each name's places side by side, in file order.
    std::uint32_t next = 0;
    for (Name& d : distinct_) {
        d.first = next;
        next += d.count;
        d.count = 0;
    }
    places_.resize(entries_.size());
    for (std::uint32_t p = 0; p < entries_.size(); ++p) {
        Name& d = distinct_[entries_[p].name];
        places_[d.first + d.count++] = p;
    }
}

void OrcIndex::Build(const ByteSource& src) {
    Clear();
    src_ = &src;
    const std::uint64_t size = src.Size();
    // Room for what a file of this size can hold, so nothing is copied
    // while it grows; memory that is reserved but never used is never touched.
    const std::uint64_t most = std::min<std::uint64_t>(size / 10 + 1, kMaxEntries);
    entries_.reserve(static_cast<std::size_t>(most));
    nameStart_.reserve(static_cast<std::size_t>(most) + 1);
    kept_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, 32u << 20)));
    names_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(size, 32u << 20)));

    // Every length is checked against the bytes really left, and every "*"
    // where it must be, before anything is read or allocated: a file of
    // zeros fails at its first byte, a damaged one at the entry that is.
    auto damaged = [](std::uint64_t at, const char* what) {
        return OrcDamaged("the entry at byte " + IntText(static_cast<std::int64_t>(at + 1)) + " " + what);
    };
    Scanner in(src);
    unsigned char head[5];
    unsigned char len[4];
    char star = 0;
    nameStart_.push_back(0);
    std::uint64_t pos = 0; // where the next entry starts
    while (pos < size) {
        const std::uint64_t start = pos;
        // "*", N, M and the closing "*" at least.
        if (size - pos < 10 || !in.Read(head, 5)) throw damaged(start, "runs past the end of the file");
        if (head[0] != '*') throw damaged(start, "does not begin with \"*\"");
        if (entries_.size() >= kMaxEntries)
            throw OrcDamaged("it holds more than " + IntText(static_cast<std::int64_t>(kMaxEntries)) + " entries");
        const std::int32_t n = GetLE32(head + 1);
        pos += 5;
        if (n < 0 || size - pos < static_cast<std::uint64_t>(n) + 5)
            throw damaged(start, "runs past the end of the file");
        in.Append(names_, static_cast<std::size_t>(n));
        if (!in.Read(len, 4)) throw damaged(start, "runs past the end of the file");
        pos += static_cast<std::uint64_t>(n) + 4;
        const std::int32_t m = GetLE32(len);
        if (m < 0 || size - pos < static_cast<std::uint64_t>(m) + 1)
            throw damaged(start, "runs past the end of the file");

        Entry e{pos, static_cast<std::uint32_t>(m), 0};
        if (e.Kept()) {
            e.at = kept_.size();
            in.Append(kept_, e.length);
        } else {
            in.SkipTo(pos + e.length);
        }
        pos += static_cast<std::uint64_t>(m);
        if (!in.Read(&star, 1)) throw damaged(start, "runs past the end of the file");
        if (star != '*') throw damaged(start, "does not end with \"*\"");
        ++pos;
        entries_.push_back(e);
        nameStart_.push_back(names_.size());
    }
    HashNames();
}

const OrcIndex::Entry* OrcIndex::Find(std::string_view name) {
    if (entries_.empty()) return nullptr;
    // Entries are mostly read in the order they were written: the place
    // right after the last hit is the answer whenever it holds the name.
    const std::size_t after = (lastFound_ + 1) % entries_.size();
    if (NameAt(after) == name) {
        lastFound_ = after;
        return &entries_[after];
    }
    std::size_t slot = 0;
    const std::uint32_t id = Lookup(name, hash_(name), slot);
    if (id == kEmpty) return nullptr;
    // The first place after the last hit, else the first place of all.
    const auto begin = places_.begin() + distinct_[id].first, end = begin + distinct_[id].count;
    const auto next = std::upper_bound(begin, end, lastFound_);
    lastFound_ = next == end ? *begin : *next;
    return &entries_[lastFound_];
}

void OrcIndex::ReadAt(std::uint64_t offset, void* out, std::size_t n) const {
    auto* o = static_cast<char*>(out);
    while (n > 0) {
        const std::size_t r = src_->ReadAt(offset, o, n);
        if (r == 0) throw std::runtime_error("The file was cut short while it was read");
        o += r, n -= r, offset += r;
    }
}

std::string OrcIndex::Text(const Entry& e) const {
    if (e.Kept()) return kept_.substr(static_cast<std::size_t>(e.at), e.length);
    std::string value(e.length, '\0');
    ReadAt(e.at, value.data(), value.size());
    return value;
}

void OrcIndex::Bytes(const Entry& e, std::vector<std::uint8_t>& out) const {
    out.resize(e.length);
    if (e.length == 0) return;
    if (e.Kept()) std::memcpy(out.data(), kept_.data() + e.at, e.length);
    else ReadAt(e.at, out.data(), out.size());
}

} // namespace tambrel
