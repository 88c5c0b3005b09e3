#include "app/runs/jobrequest.h"

#include "app/runs/syncoperation.h"

namespace qm {

namespace {

void copyRestoreSettings(TRestoreRequest& files, const TSettingsInForce& settings) {
    files.keyBits = settings.keySizeBits();
    files.replaceOnlyOld = settings.replaceOnlyOld();
    files.log = settings.log();
}

} // namespace

int TJobRequest::code() const {
    if (std::holds_alternative<TBackupRequest>(over))
        return kOpBackup;
    if (std::holds_alternative<TRestoreRequest>(over))
        return kOpRestore;
    if (std::holds_alternative<TDeleteRequest>(over))
        return kOpDeleteFromMedia;
    return SyncOperationCode(std::get<TSyncRequest>(over).run);
}

std::unique_ptr<TJobOperation> MakeJobOperation(const TJobRequest& request) {
    if (const auto* backup = std::get_if<TBackupRequest>(&request.over))
        return std::make_unique<TBackupOperation>(*backup);
    if (const auto* files = std::get_if<TRestoreRequest>(&request.over))
        return std::make_unique<TRestoreOperation>(*files);
    if (const auto* deletion = std::get_if<TDeleteRequest>(&request.over))
        return std::make_unique<TDeleteOperation>(deletion->files);
    return MakeSyncOperation(std::get<TSyncRequest>(request.over));
}

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
        copyRestoreSettings(*files, settings);
    } else if (auto* deletion = std::get_if<TDeleteRequest>(&request.over)) {
        copyRestoreSettings(deletion->files, settings);
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
