#pragma once
// A sandbox for one test: a fresh temporary folder that stands in for the machine.
// It maps drive letters to sub-folders (C: is <root>/C, the media drive E: is
// <root>/E, removable), points HOME, the XDG folders and every Quillmoor override at
// the sandbox (the program folder is C:\program), takes away the variables of a run
// through sudo (a test that plays sudo finds its user's home at <root>/home), and puts
// everything back when it goes out of scope.

#include "platform/drivetable.h"

#include <map>
#include <optional>
#include <string>

namespace qm::test {

class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }
    // Host folder of a drive mapped by the sandbox.
    std::string hostOf(char letter) const;
    // Maps another letter to a new sub-folder of the sandbox.
    std::string addDrive(char letter, DriveType type);
    // The same in memory (/dev/shm where there is one): for trees of thousands of
    // folders, which a loaded disk makes and removes slowly.
    std::string addMemoryDrive(char letter, DriveType type);

    // Writes a file at a DOS path (creating folders); returns its host path.
    std::string writeFile(const std::string& dosPath, const std::string& content);
    std::optional<std::string> readFile(const std::string& dosPath) const;
    // Sets a file's last-write time to a local date and time.
    void setFileTime(const std::string& dosPath, int year, int month, int day, int hour, int minute,
                     int second);

  private:
    void saveEnv(const char* name);
    void setEnv(const char* name, const std::string& value);
    void unsetEnv(const char* name);

    std::string root_;
    std::string memoryRoot_;
    std::map<std::string, std::optional<std::string>> savedEnv_;
};

} // namespace qm::test
