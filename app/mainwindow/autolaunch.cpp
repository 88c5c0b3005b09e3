#include "app/mainwindow/autolaunch.h"

#include "platform/autostartentry.h"
#include "platform/datetime.h"
#include "platform/productkeys.h"
#include "platform/programfiles.h"
#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace qm {

namespace {

constexpr size_t kMaxUserFile = 4096; // a user name, not a document

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Whether a Run value's command (upper-cased) starts `program` (upper-cased): the path
// must end where the file name ends, so "/opt/q/Qmoor-helper" is another program.
bool namesProgram(const std::string& command, const std::string& program) {
    for (size_t at = command.find(program); at != std::string::npos;
         at = command.find(program, at + 1)) {
        const size_t end = at + program.size();
        if (end == command.size() || command[end] == ' ' || command[end] == '"')
            return true;
    }
    return false;
}

bool runValueIn(RegistryRoot root) {
    Registry registry(root);
    return registry.openKeyReadOnly(kRunKey) && registry.valueExists(kMainProgramName);
}

} // namespace

TAutoLaunch::TAutoLaunch(Environment env) : env_(std::move(env)) {}

bool TAutoLaunch::MachineRunValueExists() const {
    return runValueIn(RegistryRoot::LocalMachine);
}

bool TAutoLaunch::UserRunValueExists() const {
    return runValueIn(RegistryRoot::CurrentUser);
}

bool TAutoLaunch::CanWriteMachineKey() const {
    return env_.isAdmin ? env_.isAdmin() : IsAdmin();
}

TAutoLaunch::RunValueOutcome TAutoLaunch::UpdateRunValue(bool logonStart) {
    Registry user(RegistryRoot::CurrentUser);
    if (MachineRunValueExists()) {
        if (!user.openKeyReadOnly(kRunKey) || !user.valueExists(kMainProgramName))
            return RunValueOutcome::Continue;
        Registry writer(RegistryRoot::CurrentUser);
        if (writer.openKey(kRunKey, true))
            writer.deleteValue(kMainProgramName);
        MirrorAutostart();
        return logonStart ? RunValueOutcome::EndThisStart : RunValueOutcome::Continue;
    }
    if (user.openKey(kRunKey, true))
        user.writeString(kMainProgramName, runCommand());
    MirrorAutostart();
    return RunValueOutcome::Continue;
}

uint32_t TAutoLaunch::installStamp() const {
    struct stat info {};
    const std::string path = hostProgramPath(env_.programFolder, kUninstallerName);
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return dateTimeToDos(dateTimeFromUnix(info.st_mtim.tv_sec, 0));
}

bool TAutoLaunch::ownerAllows() const {
    std::ifstream in(hostProgramPath(env_.programFolder, kUserFileName), std::ios::binary);
    if (!in)
        return true;
    std::string stored(kMaxUserFile + 1, '\0');
    in.read(stored.data(), static_cast<std::streamsize>(stored.size()));
    stored.resize(static_cast<size_t>(in.gcount()));
    if (stored.size() <= kMaxUserFile && stored == env_.userName)
        return true;
    return CanWriteMachineKey();
}

std::string TAutoLaunch::autoSwitch() const {
    Registry registry(RegistryRoot::CurrentUser);
    std::string value;
    if (registry.openKeyReadOnly(kProductRunKey))
        registry.readString(kAutoStartValue, value);
    return value;
}

bool TAutoLaunch::AutoLaunchAllowed() {
    if (!ownerAllows())
        return false;
    const uint32_t stamp = installStamp();
    // Every settings read asks this: one read of the hive, at most one write.
    Registry registry(RegistryRoot::CurrentUser);
    if (registry.beginBatch() != RegistryStatus::Ok)
        return true; // an unreadable hive does not take the start away
    if (!registry.keyExists(kProductRunKey)) {
        const bool written = registry.openKey(kProductRunKey, true) &&
                             registry.writeString(kAutoStartValue, "ON") == RegistryStatus::Ok &&
                             registry.writeDword(kInstallStampValue, stamp) == RegistryStatus::Ok &&
                             registry.commit() == RegistryStatus::Ok;
        MirrorAutostart();
        return written;
    }
    if (!registry.openKey(kProductRunKey, true))
        return true;
    uint32_t stored = 0;
    registry.readDword(kInstallStampValue, stored);
    std::string value;
    const bool chosen = registry.readString(kAutoStartValue, value) == RegistryStatus::Ok;
    if (stored == stamp)
        return value == "ON";
    // A new install. The user's own choice stays; without one, logon start is on while
    // a Run value asks for it.
    registry.writeDword(kInstallStampValue, stamp);
    if (!chosen) {
        value = MachineRunValueExists() || UserRunValueExists() ? "ON" : "OFF";
        registry.writeString(kAutoStartValue, value);
    }
    registry.commit();
    MirrorAutostart();
    return value == "ON";
}

void TAutoLaunch::SetStartupAuto(bool on) {
    UpdateRunValue(false);
    Registry registry(RegistryRoot::CurrentUser);
    if (registry.openKey(kProductRunKey, true))
        registry.writeString(kAutoStartValue, on ? "ON" : "OFF");
    MirrorAutostart();
}

int TAutoLaunch::RemoveDuplicateRunValues() {
    Registry registry(RegistryRoot::CurrentUser);
    if (!registry.openKey(kRunKey, true))
        return 0;
    const std::string search = upper(env_.programPath);
    bool kept = false;
    int removed = 0;
    for (const std::string& name : registry.valueNames()) {
        std::string data;
        if (registry.readString(name, data) != RegistryStatus::Ok)
            continue;
        if (!namesProgram(upper(data), search))
            continue;
        if (!kept) {
            kept = true;
            continue;
        }
        if (registry.deleteValue(name))
            ++removed;
    }
    return removed;
}

std::string TAutoLaunch::defaultAutostartDir() {
    return userAutostartFolder();
}

std::string TAutoLaunch::autostartFile() const {
    const std::string dir = env_.autostartDir.empty() ? defaultAutostartDir() : env_.autostartDir;
    return dir + "/quillmoor.desktop";
}

void TAutoLaunch::MirrorAutostart() const {
    const std::string file = autostartFile();
    const bool on = autoSwitch() != "OFF";
    if (on && !UserRunValueExists()) {
        // No per-user start: an all-users entry (the installer's) does the work, if any.
        std::remove(file.c_str());
        return;
    }
    writeAutostartEntry(file.substr(0, file.rfind('/')), env_.programPath, on);
}

} // namespace qm
