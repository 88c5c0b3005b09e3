#pragma once
// TAutoLaunch: start at login. It keeps the "Qmoor.exe" Run value in line, decides per
// user whether a start at login may go on (the "Auto" switch and install stamp under
// "\SOFTWARE\Quillmoor\Run", the installing user in User.dat), switches it from the tray
// menu, removes duplicate Run values, and mirrors the decision into the desktop's
// autostart entry so the program really starts at login. Owns only its settings.

#include <cstdint>
#include <functional>
#include <string>

namespace qm {

class TAutoLaunch {
  public:
    struct Environment {
        std::string programFolder; // host folder holding the programs and User.dat
        std::string programPath;   // host path of this program
        std::string userName;      // the current user's login name
        std::function<bool()> isAdmin;
        std::string autostartDir; // where the desktop entry goes
    };

    enum class RunValueOutcome { Continue, EndThisStart };

    explicit TAutoLaunch(Environment env);

    bool MachineRunValueExists() const;
    bool UserRunValueExists() const;
    bool CanWriteMachineKey() const;

    // Writes the per-user Run value unless an all-users one exists. When both exist the
    // per-user one is deleted; only a start at login then ends (the all-users value
    // starts the program), a start by the user goes on.
    RunValueOutcome UpdateRunValue(bool logonStart);
    bool AutoLaunchAllowed();
    void SetStartupAuto(bool on);
    // Keeps the first Run value whose data names this program and deletes the later
    // ones. Returns how many were deleted.
    int RemoveDuplicateRunValues();
    // Writes or removes the autostart entry to match the Run values and "Auto".
    void MirrorAutostart() const;

    std::string runCommand() const { return env_.programPath + " -w"; }
    uint32_t installStamp() const;
    std::string autostartFile() const;
    // $XDG_CONFIG_HOME/autostart, else $HOME/.config/autostart.
    static std::string defaultAutostartDir();

  private:
    bool ownerAllows() const;
    std::string autoSwitch() const;

    Environment env_;
};

} // namespace qm
