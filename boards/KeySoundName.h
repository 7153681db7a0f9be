#pragma once
// What a key plays, in a few words: the face shows it under the label and a
// screen reader says it after the key's name. User-interface thread.

#include <string>

#include "document/Orchestra.h"

namespace tambrel {

// The wave's file name without folder and extension, the instrument's or
// drum's General MIDI name, the Play Board a "Change Table" key switches to,
// or the stop a "Stop Play!" key runs. Empty when the key plays nothing
// nameable (no source, no file chosen, a target that is not there). Names
// from the Orchestra keep its code page.
std::string KeySoundName(const Orchestra& orc, const KeyAssign& key);

} // namespace tambrel
