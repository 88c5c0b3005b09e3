#include "platform/stagedfile.h"

#include <cerrno>
#include <utility>

namespace qm {

namespace {

// Names tried for the temporary: target + ".qmpart", then ".qmpart1" to ".qmpart99"
// (a crashed run may have left the first behind, or the user owns such a file).
constexpr int kTempNameTries = 100;

} // namespace

StagedFile::StagedFile(std::string Target) : fTarget(std::move(Target)) {}

StagedFile::~StagedFile() {
    Discard();
}

bool StagedFile::Open() {
    Discard();
    for (int k = 0; k < kTempNameTries; ++k) {
        std::string name = fTarget + kSuffix + (k == 0 ? std::string() : std::to_string(k));
        FileHandle file = FileHandle::createNew(name);
        if (file) {
            fFile = std::move(file);
            fTempName = std::move(name);
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
    const bool replacing = fileExists(fTarget);
    bool ok = !replacing || fFile.adoptModeOf(fTarget);
    if (ok && DosDate)
        ok = fFile.setDosDateTime(*DosDate);
    if (ok && replacing)
        ok = fFile.flush();
    ok = fFile.close() && ok;
    if (!ok || !renameFile(fTempName, fTarget)) {
        Discard();
        return false;
    }
    fTempName.clear();
    return true;
}

void StagedFile::Discard() {
    fFile.close();
    if (fTempName.empty())
        return;
    deleteFile(fTempName);
    fTempName.clear();
}

} // namespace qm
