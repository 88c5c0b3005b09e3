#pragma once
// The machine a fuzz target runs on: one temporary folder per process that stands in
// for drives C: (fixed) and E: (removable, the media drive), the registry, the home and
// XDG folders and the program folder, with every Quillmoor override pointed into it.
// Targets call clear() before and after each input, so no file outlives an iteration;
// the folder itself is removed when the process ends normally. The sandbox owns the
// folder; it is made on first use and never replaced.

#include <string>
#include <vector>

namespace qm::fuzz {

class FuzzSandbox {
  public:
    static FuzzSandbox& instance();

    const std::string& root() const { return fRoot; }
    // Host folder of the sandbox's drive C: or E:.
    std::string driveFolder(char letter) const;
    // Empties every folder of the sandbox and puts back the empty folder layout, the
    // overrides, the drive table and a fixed clock.
    void clear();
    // Every file and link below the root, as paths relative to it, sorted.
    std::vector<std::string> files() const;

    // Writes bytes to a DOS path below a sandbox drive (creating folders); false when
    // the path is not mapped or the write fails.
    bool writeFile(const std::string& dosPath, const std::string& bytes) const;

    ~FuzzSandbox();
    FuzzSandbox(const FuzzSandbox&) = delete;
    FuzzSandbox& operator=(const FuzzSandbox&) = delete;

  private:
    FuzzSandbox();
    void pointOverrides() const;

    std::string fRoot;
};

// Ends the process with a message when an invariant of a target does not hold, so that
// libFuzzer records the input as a crash and the replay test fails on it.
void Require(bool condition, const char* what);

} // namespace qm::fuzz
