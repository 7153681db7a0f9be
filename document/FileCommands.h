#pragma once
// The File menu's New, Open, Save and Save As, and the start-up file, as
// operations the main window calls. File dialogs come through the shell.
// Each returns true when it did what it was asked.

#include <string>

#include "document/ProgramState.h"

namespace tambrel {

bool FileNew(ProgramState& st);
// Asks for a file, then OpenChosenFile.
bool FileOpen(ProgramState& st);
// Opens a name chosen in the Open dialog (".tbo" completed to ".tbOrc").
bool OpenChosenFile(ProgramState& st, std::string name);
// An Orchestra file dropped on the main window: opened as Open opens the
// file chosen in its dialog, after the same question about saving changes.
bool OpenDroppedFile(ProgramState& st, const std::string& name);
// Save (saveAs false) keeps OrcFile when there is one; otherwise asks.
bool FileSave(ProgramState& st, bool saveAs);

// Opens the file named on the command line, else the sample Orchestra.
void OpenStartupFile(ProgramState& st, const std::string& commandLine);

// "Tambrel Orchestra - [title]"
std::string MainCaption(const std::string& title);

} // namespace tambrel
