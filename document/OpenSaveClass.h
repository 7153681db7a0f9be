#pragma once
// Loading and saving an Orchestra file: a flat sequence of entries
//   "*" | int32 N | name (N bytes) | int32 M | value (M bytes) | "*"
// where a name is section + "++" + key. One object serves one command.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "document/OrcIndex.h"
#include "document/ProgramState.h"

namespace tambrel {

class OpenSaveClass {
public:
    explicit OpenSaveClass(ProgramState& state) : st_(state) {}
    ~OpenSaveClass();
    OpenSaveClass(const OpenSaveClass&) = delete;
    OpenSaveClass& operator=(const OpenSaveClass&) = delete;

    // Reads the file; on success the program's Orchestra is replaced whole and
    // true is returned. Refusals and errors are shown through the shell.
    bool LoadOrchestra(const std::string& path);
    // Writes the program's Orchestra to path; true when the file is in place.
    bool SaveOrchestra(const std::string& path);

private:
    ProgramState& st_;
    std::FILE* file_ = nullptr; // the file being written
    int readFd_ = -1;           // the file being read
    OrcIndex index_;

    bool OpenAndIndex(const std::string& path);
    // A text entry's value; throws OrcDamaged for a value longer than any
    // text of an Orchestra.
    std::string ReadText(const std::string& section, const std::string& key, const std::string& fallback);
    std::string TextOf(const OrcIndex::Entry& e, const std::string& section, const std::string& key) const;
    // A number entry, read leniently; throws OrcDamaged naming the field
    // when it does not fit in 32 bits.
    std::int32_t ReadNumber(const std::string& section, const std::string& key, const std::string& fallback);
    // The value bytes of an entry, or false when it is absent.
    bool ReadBytes(const std::string& section, const std::string& key, std::vector<std::uint8_t>& out,
                   std::int64_t expectedLength);
    void CloseRead();

    void WriteEntry(const std::string& section, const std::string& key, const void* bytes, std::size_t count);
    void WriteText(const std::string& section, const std::string& key, const std::string& text);

    // Throws OrcDamaged (or a failure to read) when the file cannot be used.
    Orchestra ReadOrchestra();
    void WriteOrchestra();
};

} // namespace tambrel
