#pragma once
// A machine to install Quillmoor on, inside a test::Sandbox: the home folder (H:) and a
// system root (S:, standing for "/", through QUILLMOOR_SYSTEM_ROOT) mapped as drives so
// the desktop folders have DOS paths; the user's applications, desktop and autostart
// folders and the system's applications folder exist. makeMedium() writes an install
// medium at C:\medium (programs as LZ files, help pages, License.htm, setup), and
// install() runs the installer on it with scripted answers, as the wizard would.
//
//   test::Sandbox sb;
//   test::InstallSandbox machine(sb);
//   machine.makeMedium();
//   machine.install({"C:\\Program Files\\Quillmoor"});   // then C:\Program Files\Quillmoor\Qmoor
//
// `admin` false makes the machine hives read-only for the run (an ordinary user).

#include "setup/installer.h"
#include "support/sandbox.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class InstallSandbox {
  public:
    explicit InstallSandbox(Sandbox& sandbox);
    ~InstallSandbox();

    static constexpr const char* kMedium = "C:\\medium\\";

    // Writes the medium. Empty `updater` leaves Updater.ex_ out.
    void makeMedium(const std::string& qmoor = "the Qmoor program image",
                    const std::string& updater = "the updater program image");

    struct Request {
        std::string folder;
        bool allUsers = false;
        bool admin = true;
        bool autoStart = true;
        int reinstallAnswer = 6; // Yes
    };
    TInstallOutcome install(const Request& request);
    // Messages shown during the last install, "kind|text".
    const std::vector<std::string>& messages() const { return messages_; }
    // Makes the machine hives read-only (or writable again) for later steps.
    void setAdmin(bool admin);

  private:
    Sandbox& sandbox_;
    std::vector<std::string> messages_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};

} // namespace qm::test
