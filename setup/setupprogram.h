#pragma once
// The start of setup: one program for install and uninstall, chosen by the installed
// state alone (ChooseSetupMode), never by a switch. SetupMain is all main.cpp calls.

namespace qm {

int SetupMain(int argc, char** argv);

} // namespace qm
