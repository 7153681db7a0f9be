#pragma once
// Loading and saving an Orchestra file: a flat sequence of entries
//   "*" | int32 N | name (N bytes) | int32 M | value (M bytes) | "*"
// where a name is section + "++" + key. One object serves one command.
// Loading parses the bytes (document/OrcParser.h), then binds what they
// hold to this computer.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/ByteSource.h"
#include "document/OrcParser.h"
#include "document/ProgramState.h"

namespace tambrel {

class OpenSaveClass {
public:
    explicit OpenSaveClass(ProgramState& state) : st_(state) {}
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

    // The file's bytes, or nullptr when there is no file at path (said in a
    // message); throws when it cannot be read.
    std::unique_ptr<ByteSource> OpenToRead(const std::string& path);
    // What the parser read, made this computer's: Sub Boards bound to its
    // devices with their keys, waves loaded from their files or their stored
    // samples, the progress in the status panel, and the files and waves
    // that could not be used in a message each.
    Orchestra BindOrchestra(OrcParse&& read);
    void BindWave(const OrcParse& read, WaveRef& wave, KeyAssign& key, std::vector<std::string>& missing,
                  std::vector<std::string>& unusable);

    void WriteEntry(const std::string& section, const std::string& key, const void* bytes, std::size_t count);
    void WriteText(const std::string& section, const std::string& key, const std::string& text);
    void WriteOrchestra();
};

} // namespace tambrel
