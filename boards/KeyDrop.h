#pragma once
// Sound files dropped on a board view's key: each file is loaded into a key
// as "Select File" loads it, the first into the key under the pointer, the
// rest into the keys after it in board order. User-interface thread.

#include <string>
#include <string_view>
#include <vector>

#include "document/ProgramState.h"
#include "document/SoundFileNames.h"

namespace tambrel {

class KeyPlayer;

// The keys of Sub Board `at.subBoard` from `at.key` on, in the order the
// board shows them (row by row from the top, left to right), at most `count`.
// Empty when the key is not on a drawn board of a present device.
std::vector<KeyAddress> KeysFrom(const ProgramState& st, KeyAddress at, std::size_t count);

inline constexpr std::string_view kDropTitle = "Drop sound files";

// Drops `files` on key `at`: the sound files among them, in name order, go
// to `at` and the keys after it (KeysFrom). Keys that already have a sound
// are replaced only when the user says Yes to the question first. Each key
// that takes a file becomes a wave key holding it (stopped first, FileModified
// set, its face and the editor shown again); a file that cannot be used
// leaves its key as it was, and every such file is named in one message at
// the end. Returns how many keys took a file.
int DropSoundFiles(ProgramState& st, KeyPlayer& player, KeyAddress at, std::vector<std::string> files);

} // namespace tambrel
