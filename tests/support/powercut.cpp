#include "support/powercut.h"

#include "platform/dospath.h"
#include "platform/drivetable.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace qm::test {

namespace {

std::string ReadHost(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace

PowerCut::PowerCut(char Drive) : fDrive(Drive) {
    std::optional<DriveEntry> drive = DriveTable::instance().find(Drive);
    fHostRoot = drive ? drive->hostRoot : std::string();
}

FileChangeGate PowerCut::Gate(FileChangeGate Allow) {
    return [this, Allow = std::move(Allow)](FileChange Change, std::string_view DosPath) {
        if (Allow && !Allow(Change, DosPath))
            return false;
        if (!DosPath.empty() && std::toupper(static_cast<unsigned char>(DosPath[0])) ==
                                    std::toupper(static_cast<unsigned char>(fDrive)))
            Note(Change, DosPath);
        else if (Change == FileChange::SyncFileSystem)
            Note(Change, DosPath); // the sandbox's drives share one file system
        return true;
    };
}

std::optional<PowerCut::Identity> PowerCut::IdentityOf(std::string_view DosPath) const {
    std::optional<std::string> host = toHostPath(DosPath);
    struct stat st {};
    if (!host || ::lstat(host->c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino};
}

void PowerCut::ResolveMade() {
    // A file made since the last look exists now: never synced, its data is none.
    for (const std::string& path : fMade)
        if (std::optional<Identity> id = IdentityOf(path))
            fSynced[*id] = std::string();
    fMade.clear();
}

void PowerCut::Note(FileChange Change, std::string_view DosPath) {
    ResolveMade();
    switch (Change) {
    case FileChange::Create: {
        // Emptying a file that was there keeps its synced content; a new one has none.
        std::optional<Identity> id = IdentityOf(DosPath);
        if (!id)
            fMade.emplace_back(DosPath);
        else if (fSynced.count(*id) == 0)
            fSynced[*id] = ReadHost(*toHostPath(DosPath));
        break;
    }
    case FileChange::Write:
    case FileChange::Truncate: {
        std::optional<Identity> id = IdentityOf(DosPath);
        if (id && fSynced.count(*id) == 0)
            fSynced[*id] = ReadHost(*toHostPath(DosPath));
        break;
    }
    case FileChange::Delete:
        if (std::optional<Identity> id = IdentityOf(DosPath))
            fSynced.erase(*id);
        break;
    case FileChange::Sync:
        if (std::optional<Identity> id = IdentityOf(DosPath))
            fSynced.erase(*id);
        break;
    case FileChange::SyncFileSystem:
        fSynced.clear();
        break;
    default: // names reach the disk in order: nothing to put back
        break;
    }
}

void PowerCut::Cut() {
    ResolveMade();
    if (fHostRoot.empty())
        return;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fHostRoot, ec), end; !ec && it != end;
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        auto found = fSynced.find(Identity{st.st_dev, st.st_ino});
        if (found == fSynced.end())
            continue;
        std::ofstream out(it->path(), std::ios::binary | std::ios::trunc);
        out << found->second;
    }
    fSynced.clear();
}

} // namespace qm::test
