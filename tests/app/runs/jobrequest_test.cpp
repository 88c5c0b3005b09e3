#include "app/runs/jobrequest.h"

#include "app/runs/syncoperation.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace qm {
namespace {

TSyncRequest syncFor(TSyncRun run) {
    TSyncRequest request;
    request.run = run;
    return request;
}

// What a request is over says which operation runs, and the launcher's one copy of the
// settings in force reaches every kind of request, a deletion's too.
TEST(JobRequest, WhatARequestIsOverNamesItsOperationAndTakesTheSettingsInForce) {
    test::Sandbox sandbox;
    TSettingsInForce settings;
    TSettingValues& v = settings.values();
    v.encryption = true;
    v.keySizeIndex = 2;
    v.compressionType = 2;
    v.level = 7;
    v.log = false;
    v.revision = true;
    v.revisions = 3;
    v.restoring = 1;
    v.exeptList = true;
    settings.extExceptions() = {"tmp"};

    struct Row {
        const char* what;
        TJobRequest request;
        int code;
        const std::type_info& operation;
    };
    const Row rows[] = {
        {"backup", {TBackupRequest{}}, kOpBackup, typeid(TBackupOperation)},
        {"restore", {TRestoreRequest{}}, kOpRestore, typeid(TRestoreOperation)},
        {"delete", {TDeleteRequest{}}, kOpDeleteFromMedia, typeid(TDeleteOperation)},
        {"sync deletions",
         {syncFor(TSyncRun::Deletions)},
         kOpSyncDeletions,
         typeid(TSyncDeleteOperation)},
        {"sync both ways", {syncFor(TSyncRun::BothWays)}, kOpSyncBothWays, typeid(TJobSequence)},
        {"media to hard drive",
         {syncFor(TSyncRun::MediaToHardDrive)},
         kOpMediaToHardDrive,
         typeid(TMediaToHardDriveOperation)},
        {"hard drive to media",
         {syncFor(TSyncRun::HardDriveToMedia)},
         kOpHardDriveToMedia,
         typeid(THardDriveToMediaOperation)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const TJobRequest request = WithSettingsInForce(row.request, settings);
        EXPECT_EQ(request.code(), row.code);
        const std::unique_ptr<TJobOperation> operation = MakeJobOperation(request);
        ASSERT_NE(operation, nullptr);
        const TJobOperation& made = *operation;
        EXPECT_EQ(typeid(made), row.operation);

        if (const auto* backup = std::get_if<TBackupRequest>(&request.over)) {
            EXPECT_TRUE(backup->encryption);
            EXPECT_EQ(backup->keyBits, 256);
            EXPECT_EQ(backup->compressionType, 2);
            EXPECT_EQ(backup->level, 7);
            EXPECT_FALSE(backup->log);
            EXPECT_EQ(backup->revisions, 3);
            ASSERT_TRUE(backup->excluded);
            EXPECT_TRUE(backup->excluded("old.TMP"));
            EXPECT_FALSE(backup->excluded("old.txt"));
        } else if (const auto* sync = std::get_if<TSyncRequest>(&request.over)) {
            EXPECT_TRUE(sync->encryption);
            EXPECT_EQ(sync->keyBits, 256);
            EXPECT_EQ(sync->compressionType, 2);
            EXPECT_EQ(sync->level, 7);
            EXPECT_FALSE(sync->log);
            EXPECT_EQ(sync->revisions, 3);
            EXPECT_TRUE(sync->replaceOnlyOld);
        } else {
            const auto* deletion = std::get_if<TDeleteRequest>(&request.over);
            const TRestoreRequest& files =
                deletion ? deletion->files : std::get<TRestoreRequest>(request.over);
            EXPECT_EQ(files.keyBits, 256);
            EXPECT_TRUE(files.replaceOnlyOld);
            EXPECT_FALSE(files.log);
        }
    }

    // Versions are kept only while their tick is on.
    v.revision = false;
    const TJobRequest unticked = WithSettingsInForce({TBackupRequest{}}, settings);
    EXPECT_EQ(std::get<TBackupRequest>(unticked.over).revisions, 0);
}

} // namespace
} // namespace qm
