#include "platform/stagedfile.h"

#include "platform/dospath.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace qm {

namespace {

// Names tried for the temporary: target + ".qmpart", then ".qmpart1" to ".qmpart99"
// (a crashed run may have left the first behind, or the user owns such a file).
constexpr int kTempNameTries = 100;

} // namespace

StagedFileLedger::StagedFileLedger(std::string HostPath) : fPath(std::move(HostPath)) {}

std::string StagedFileLedger::StateFile(const std::string& Name) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string folder =
        state && *state ? state : std::string(home ? home : "/tmp") + "/.local/state";
    return folder + "/quillmoor/" + Name;
}

void StagedFileLedger::Append(char Mark, const std::string& TempName) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(fPath).parent_path(), ec);
    const int fd = ::open(fPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // One write per line: a line is there whole or, cut by a crash, not at all.
    const std::string line = Mark + TempName + "\n";
    [[maybe_unused]] ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

void StagedFileLedger::Add(const std::string& TempName) {
    Append('+', TempName);
}

void StagedFileLedger::Done(const std::string& TempName) {
    Append('-', TempName);
}

void StagedFileLedger::RemoveLeftovers() {
    std::ifstream in(fPath, std::ios::binary);
    if (!in)
        return;
    std::stringstream text;
    text << in.rdbuf();
    const std::string list = text.str();
    std::set<std::string> pending;
    size_t start = 0;
    for (size_t end; (end = list.find('\n', start)) != std::string::npos; start = end + 1) {
        if (end == start)
            continue;
        const std::string name = list.substr(start + 1, end - start - 1);
        if (list[start] == '+')
            pending.insert(name);
        else if (list[start] == '-')
            pending.erase(name);
    }
    std::string kept;
    for (const std::string& name : pending) {
        // Only names StagedFile makes: target + ".qmpart", then an optional number.
        const size_t suffix = name.rfind(StagedFile::kSuffix);
        if (suffix == std::string::npos ||
            name.find_first_not_of("0123456789", suffix + std::strlen(StagedFile::kSuffix)) !=
                std::string::npos)
            continue;
        if (!deleteFile(name) && fileExists(name))
            kept += "+" + name + "\n"; // still there: the next run tries again
    }
    if (kept.empty()) {
        ::unlink(fPath.c_str());
        return;
    }
    // The shorter list replaces the old one in one rename, so it is never read half made.
    const std::string temp = fPath + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const bool written = ::write(fd, kept.data(), kept.size()) == static_cast<ssize_t>(kept.size());
    ::close(fd);
    if (!written || ::rename(temp.c_str(), fPath.c_str()) != 0)
        ::unlink(temp.c_str());
}

StagedFile::StagedFile(std::string Target, StagedFileLedger* Ledger)
    : fTarget(std::move(Target)), fLedger(Ledger) {}

StagedFile::~StagedFile() {
    Discard();
}

bool StagedFile::Open() {
    Discard();
    for (int k = 0; k < kTempNameTries; ++k) {
        std::string name = fTarget + kSuffix + (k == 0 ? std::string() : std::to_string(k));
        // Owner only while it is written: the target's permissions come at the commit.
        FileHandle file = FileHandle::createNew(name, 0600);
        if (file) {
            fFile = std::move(file);
            fTempName = std::move(name);
            if (fLedger)
                fLedger->Add(fTempName);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool StagedFile::Commit(std::optional<uint32_t> DosDate) {
    if (fTempName.empty() || !fFile) {
        Discard();
        return false;
    }
    const std::optional<FileAccess> existing =
        fileExists(fTarget) ? fileAccess(fTarget) : std::nullopt;
    const bool replacing = existing.has_value();
    bool ok = !replacing   ? fFile.setMode(fNewMode ? *fNewMode : 0644 & ~creationMask())
              : fKeepOwner ? fFile.takeAccessOf(*existing)
                           : fFile.setMode(existing->mode);
    if (ok && DosDate)
        ok = fFile.setDosDateTime(*DosDate);
    if (ok && replacing)
        ok = fFile.flush();
    ok = fFile.close() && ok;
    if (!ok || !renameFile(fTempName, fTarget)) {
        Discard();
        return false;
    }
    if (fLedger)
        fLedger->Done(fTempName);
    fTempName.clear();
    return true;
}

bool StagedFile::Replace(const std::string& Target, std::string_view Bytes) {
    StagedFile file(Target);
    // A record the next step relies on: on the disk, in its folder, before this returns,
    // also where no file stood before.
    if (!file.Open() || !file.File().write(Bytes.data(), static_cast<int64_t>(Bytes.size())) ||
        !file.File().flush() || !file.Commit(std::nullopt))
        return false;
    const std::optional<std::string> host = toHostPath(Target);
    const int folder = host ? ::open(std::filesystem::path(*host).parent_path().c_str(),
                                     O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                            : -1;
    if (folder < 0)
        return true;
    const bool synced = ::fsync(folder) == 0 || errno == EINVAL || errno == EROFS;
    ::close(folder);
    return synced;
}

void StagedFile::Discard() {
    fFile.close();
    if (fTempName.empty())
        return;
    if (deleteFile(fTempName) && fLedger)
        fLedger->Done(fTempName);
    fTempName.clear();
}

} // namespace qm
