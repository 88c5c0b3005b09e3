#pragma once
// The start of Qmoor: splash, one instance per user, start at login, the main window
// and the tray, the title "Quillmoor Main Window" through which other programs find and
// close it, and the event loop. ProgramMain is all main.cpp calls.

#include "platform/productkeys.h"

#include <string>
#include <vector>

namespace qm {

// A start at login is one whose arguments include "-w" exactly. The command line
// itself is never changed.
bool isLogonStart(const std::vector<std::string>& arguments);

int ProgramMain(int argc, char** argv);

} // namespace qm
