#include "installedsandbox.h"

#include "platform/datetime.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::test {

namespace fs = std::filesystem;

InstalledSandbox::InstalledSandbox() : machine_(*this) {
    machine_.makeMedium("old main program", "old updater");
    // Root's updater updates only an installation for all users (see findInstallation).
    const bool allUsers = ::geteuid() == 0;
    if (machine_.install({"C:\\Program Files\\Quillmoor", allUsers}) != TInstallOutcome::Installed)
        throw std::runtime_error("setup could not install into the sandbox");
    folder_ = hostOf('C') + "/Program Files/Quillmoor";
}

std::string InstalledSandbox::read(const std::string& relative) const {
    std::ostringstream text;
    text << std::ifstream(folder_ + "/" + relative, std::ios::binary).rdbuf();
    return text.str();
}

std::string InstalledSandbox::localDate(const std::string& relative) const {
    struct stat info {};
    ::stat((folder_ + "/" + relative).c_str(), &info);
    return formatDateTimePattern("yyyy-mm-dd hh:nn", dateTimeFromUnix(info.st_mtime),
                                 localeFormats());
}

std::map<std::string, std::string> InstalledSandbox::installed() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
        struct stat info {};
        ::lstat(entry.path().c_str(), &info);
        std::ostringstream text;
        if (entry.is_regular_file())
            text << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        text << "|" << info.st_mtime << "|" << std::oct << (info.st_mode & 07777);
        files[fs::relative(entry.path(), folder_).string()] = text.str();
    }
    return files;
}

} // namespace qm::test
