#pragma once
// A program's start cut off where its QApplication is made: at that moment the probe
// prints the name of every variable of the environment the application sees, one a
// line, and ends the process. The tests of what root keeps of a sudo user's environment
// run the programs' starts this way; nothing past the start runs, so no registry, home
// or system folder is touched whatever the environment says.

#include <QCoreApplication>
#include <cstdio>
#include <string_view>
#include <unistd.h>

extern char** environ;

namespace qm::test {

inline void printEnvironmentAndEnd() {
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        std::printf("%.*s\n", static_cast<int>(name.size()), name.data());
    }
    std::fflush(stdout);
    ::_exit(0);
}

// Called first in the probe's main: Qt runs the routine as the application is made.
inline void stopWhenTheApplicationIsMade() {
    qAddPreRoutine(&printEnvironmentAndEnd);
}

} // namespace qm::test
