#pragma once
// The reader index of an Orchestra file: every entry's name, the place of its
// value and its length, made in one buffered pass over the file. A lookup
// searches cyclically from the place after the entry found last, through
// every place once, so of equal names the next one in file order is found;
// a hash of the names to their places makes each lookup cost the same
// however many entries the file holds, found or not.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tambrel {

// SipHash-1-3 under a key: no set of names collides under every key.
struct KeyedHash {
    using is_transparent = void;
    std::uint64_t k0 = 0, k1 = 0;
    std::size_t operator()(std::string_view s) const;
};
struct NameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return a == b; }
};

class OrcIndex {
public:
    struct Entry {
        std::uint64_t offset = 0; // of the value in the file
        std::uint32_t length = 0;
        std::uint64_t kept = kNotKept; // where the value lies in memory, when small
    };
    static constexpr std::uint64_t kNotKept = ~std::uint64_t{0};
    // Values up to this size are kept in memory by the pass; larger ones
    // (the stored waves) are read from the file when asked for.
    static constexpr std::uint32_t kKeepLimit = 64 * 1024;

    // Indexes the open file of `size` bytes, starting after its first "*".
    // Throws std::runtime_error naming the place where the file is damaged.
    void Build(int fd, std::uint64_t size);
    void Clear();
    std::size_t size() const { return entries_.size(); }

    const Entry* Find(std::string_view name);
    // The value of an entry found in this index; throws when it cannot be read.
    std::string Text(const Entry& e) const;
    // Reads the value into out (resized to its length).
    void Bytes(const Entry& e, std::vector<std::uint8_t>& out) const;

private:
    void ReadAt(std::uint64_t offset, void* out, std::size_t n) const;

    int fd_ = -1;
    std::vector<Entry> entries_;
    std::string kept_;
    // Each name's places, ascending. The hash is keyed afresh for every
    // process, so a file cannot be made of names that all collide.
    std::unordered_map<std::string, std::vector<std::uint32_t>, KeyedHash, NameEqual> places_;
    std::size_t lastFound_ = 0;
};

} // namespace tambrel
