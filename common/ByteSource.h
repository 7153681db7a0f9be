#pragma once
// Bytes read by their place: an open file for the program, memory for tests
// and fuzzing, so that a parser of a file format reads the same way from
// both and never opens anything itself. User-interface thread.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tambrel {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // How many bytes there are, fixed when the source was made.
    virtual std::uint64_t Size() const = 0;
    // Copies up to n bytes from `offset` into out: fewer, down to 0, only
    // where the bytes end. Throws std::runtime_error when they cannot be read.
    virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) const = 0;
};

// A file opened for reading; closed with this object. Its size is taken when
// it is made: a file that shrinks afterwards reads short where it ends.
class FileBytes final : public ByteSource {
public:
    // Takes the descriptor over; throws std::runtime_error when its size
    // cannot be found.
    explicit FileBytes(int fd);
    ~FileBytes() override;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) const override;

private:
    int fd_;
    std::uint64_t size_ = 0;
};

// Bytes in memory, which must outlive this object.
class MemoryBytes final : public ByteSource {
public:
    MemoryBytes(const void* data, std::size_t size) : data_(static_cast<const char*>(data), size) {}
    explicit MemoryBytes(std::string_view bytes) : data_(bytes) {}

    std::uint64_t Size() const override { return data_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) const override;

private:
    std::string_view data_;
};

} // namespace tambrel
