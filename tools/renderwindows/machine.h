#pragma once
// TRenderMachine: the machine the window renderer draws on, so that drawing never
// touches the user's registry, drives or home. A temporary folder holds the fixed drives
// C: and H: ("DATA"), the removable media drive E: ("BACKUP", with its marker) and a
// removable stick F: ("STICK"), the program folder C:\program with the help pages, the
// registry hives, the configuration and socket folders; the overrides point at it while
// the renderer runs. Made before anything reads the environment.

#include <QTemporaryDir>
#include <string>

namespace qm::renderwindows {

class TRenderMachine {
  public:
    TRenderMachine();

    bool valid() const { return dir_.isValid(); }
    // Host folder of the drive `letter` ('C', 'E', 'F' or 'H').
    std::string drive(char letter) const;
    // Writes a file at a host path below the machine, making its folders.
    void writeFile(const std::string& hostPath, const std::string& content) const;

  private:
    QTemporaryDir dir_;
};

} // namespace qm::renderwindows
