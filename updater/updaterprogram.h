#pragma once
// The start of the updater: the application, the window and the event loop. The window
// stays hidden for a silent check ("-w", as the main program starts it) and shows itself
// when there is something to offer. UpdaterMain is all main.cpp calls.

namespace qm {

int UpdaterMain(int argc, char** argv);

} // namespace qm
