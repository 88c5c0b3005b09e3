#include "support/install/installsandbox.h"

#include "platform/drivetable.h"
#include "platform/registry.h"
#include "support/lzfiles.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace qm::test {

InstallSandbox::InstallSandbox(Sandbox& sandbox) : sandbox_(sandbox) {
    const std::string home = sandbox.root() + "/home";
    const std::string system = sandbox.root() + "/system";
    for (const std::string& folder :
         {home + "/.local/share/applications", home + "/Desktop",
          system + "/usr/share/applications", system + "/etc/xdg/autostart",
          sandbox.root() + "/config/autostart"})
        fs::create_directories(folder);
    for (const char* name :
         {"XDG_DATA_HOME", "QUILLMOOR_SYSTEM_ROOT", "QUILLMOOR_REGISTRY_READONLY_MACHINE"}) {
        const char* value = std::getenv(name);
        savedEnv_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    ::setenv("QUILLMOOR_SYSTEM_ROOT", system.c_str(), 1);
    DriveTable::instance().map('H', home, DriveType::Fixed);
    DriveTable::instance().map('S', system, DriveType::Fixed);
}

InstallSandbox::~InstallSandbox() {
    for (const auto& [name, value] : savedEnv_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void InstallSandbox::makeMedium(const std::string& qmoor, const std::string& updater) {
    const std::string medium = kMedium;
    sandbox_.writeFile(medium + "Install\\Qmoor.ex_", literalLzFile(qmoor));
    sandbox_.setFileTime(medium + "Install\\Qmoor.ex_", 2026, 10, 14, 12, 0, 0);
    if (!updater.empty()) {
        sandbox_.writeFile(medium + "Install\\Updater.ex_", literalLzFile(updater));
        sandbox_.setFileTime(medium + "Install\\Updater.ex_", 2026, 10, 14, 12, 0, 2);
    }
    sandbox_.writeFile(medium + "Install\\Help\\Quillmoor.htm", "<html>help</html>");
    sandbox_.writeFile(medium + "Install\\Help\\images\\logo.gif", "GIF89a");
    sandbox_.writeFile(medium + "License.htm", "<html>License</html>");
    sandbox_.writeFile(medium + "setup", "#!/bin/sh\necho the setup program\n");
}

void InstallSandbox::setAdmin(bool admin) {
    if (admin)
        ::unsetenv("QUILLMOOR_REGISTRY_READONLY_MACHINE");
    else
        ::setenv("QUILLMOOR_REGISTRY_READONLY_MACHINE", "1", 1);
}

TInstallOutcome InstallSandbox::install(const Request& request) {
    setAdmin(request.admin);
    messages_.clear();
    TInstallOptions options{kMedium, request.folder, std::string(kMedium) + "setup",
                            request.autoStart, request.allUsers};
    TInstallEnvironment env;
    env.message = [this, &request](int kind, const std::string& text) {
        messages_.push_back(std::to_string(kind) + "|" + text);
        return kind == 2 ? request.reinstallAnswer : 1;
    };
    env.isAdmin = [] { return IsAdmin(); };
    env.userName = "alice";
    TInstaller installer(options, env);
    const TInstallOutcome outcome = installer.Install();
    setAdmin(true);
    return outcome;
}

} // namespace qm::test
