#include "app/runs/jobrequest.h"

namespace qm {

TJobRequest WithSettingsInForce(TJobRequest request, const TSettingsInForce& settings) {
    if (auto* backup = std::get_if<TBackupRequest>(&request.over)) {
        backup->encryption = settings.encryption();
        backup->keyBits = settings.keySizeBits();
        backup->excluded = [&settings](const std::string& name) { return settings.excludes(name); };
        backup->compressionType = settings.compressionType();
        backup->level = settings.level();
        backup->log = settings.log();
        backup->revisions = settings.revisionsKept();
    } else if (auto* files = std::get_if<TRestoreRequest>(&request.over)) {
        files->keyBits = settings.keySizeBits();
        files->replaceOnlyOld = settings.replaceOnlyOld();
        files->log = settings.log();
    } else if (auto* rows = std::get_if<TSyncRequest>(&request.over)) {
        rows->encryption = settings.encryption();
        rows->keyBits = settings.keySizeBits();
        rows->compressionType = settings.compressionType();
        rows->level = settings.level();
        rows->log = settings.log();
        rows->revisions = settings.revisionsKept();
        rows->replaceOnlyOld = settings.replaceOnlyOld();
    }
    return request;
}

} // namespace qm
