#pragma once
// The reader index of an Orchestra file: every entry's name, the place of its
// value and its length, made in one buffered pass over the file's bytes. A lookup
// searches cyclically from the place after the entry found last, through
// every place once, so of equal names the next one in file order is found;
// a hash of the names to their places makes each lookup cost the same
// however many entries the file holds, found or not.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteSource.h"

namespace tambrel {

// What makes a file unreadable as an Orchestra, said without the file's name;
// the loader puts the name in front.
class OrcDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// SipHash-1-3 under a key: no set of names collides under every key.
struct KeyedHash {
    std::uint64_t k0 = 0, k1 = 0;
    std::uint64_t operator()(std::string_view s) const;
};

class OrcIndex {
public:
    struct Entry {
        // Where the value lies: in memory when it is small (length up to
        // kKeepLimit), else its offset in the file.
        std::uint64_t at = 0;
        std::uint32_t length = 0;
        std::uint32_t name = 0; // which distinct name
        bool Kept() const { return length <= kKeepLimit; }
    };
    // Values up to this size are kept in memory by the pass; larger ones
    // (the stored waves) are read from the file when asked for.
    static constexpr std::uint32_t kKeepLimit = 64 * 1024;
    // No Orchestra comes near this many entries (a Sub Board writes at most
    // six and one per stored wave); a file of more is a run of junk entries,
    // refused before it costs seconds and gigabytes.
    static constexpr std::size_t kMaxEntries = std::size_t{1} << 20;

    // Indexes the bytes, checking every "*", length and the number of
    // entries before anything is read or allocated. Throws OrcDamaged naming
    // the place (counted from 1) where the file is damaged. Values are read
    // from src when asked for: it must outlive the index's use.
    void Build(const ByteSource& src);
    void Clear();
    std::size_t size() const { return entries_.size(); }

    const Entry* Find(std::string_view name);
    // The value of an entry found in this index; throws when it cannot be read.
    std::string Text(const Entry& e) const;
    // Reads the value into out (resized to its length).
    void Bytes(const Entry& e, std::vector<std::uint8_t>& out) const;

private:
    struct Name {
        std::uint32_t place = 0;            // where it stands first; its text is that entry's name
        std::uint32_t first = 0, count = 0; // its places: places_[first .. first + count)
    };
    static constexpr std::uint32_t kEmpty = ~std::uint32_t{0};

    std::string_view NameAt(std::size_t place) const {
        return std::string_view(names_).substr(nameStart_[place], nameStart_[place + 1] - nameStart_[place]);
    }
    // Gives every entry its distinct name, through a table sized once.
    void HashNames();
    void ReadAt(std::uint64_t offset, void* out, std::size_t n) const;

    const ByteSource* src_ = nullptr;
    std::vector<Entry> entries_;
    std::string kept_;                     // the small values, one after another
    std::string names_;                    // every entry's name, one after another
    std::vector<std::uint64_t> nameStart_; // entry p's name: names_[nameStart_[p], nameStart_[p + 1])
    std::vector<Name> distinct_;
    // Open addressing in two arrays: a one-byte tag from the name's hash per
    // slot (0: empty), small enough to stay in the cache, so that a lookup
    // of a name the file lacks rarely reads anything else; and the index
    // into distinct_ of each occupied slot.
    std::vector<std::uint8_t> tags_;
    std::vector<std::uint32_t> ids_;
    std::vector<std::uint32_t> places_; // each name's places, ascending, name after name
    // Keyed afresh for every index, so a file cannot be made of names that
    // all collide.
    KeyedHash hash_;
    // The distinct name equal to `name`, or kEmpty; slot is where it is or would go.
    std::uint32_t Lookup(std::string_view name, std::uint64_t hash, std::size_t& slot) const;
    std::size_t lastFound_ = 0;
};

} // namespace tambrel
