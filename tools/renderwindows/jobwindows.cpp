#include "jobwindows.h"

#include "render.h"

#include "app/runs/backupoperation.h"
#include "app/runs/restoreoperation.h"
#include "app/runs/syncoperation.h"
#include "app/runwindows/formpassword.h"
#include "app/runwindows/formrevision.h"
#include "app/runwindows/frmprogress.h"
#include "app/runwindows/frmsummary.h"

namespace qm::renderwindows {

namespace {

TActivityRecord sampleRecord() {
    TActivityRecord r;
    r.ActivityType = "Backup";
    r.StartTime = encodeDateTime({2026, 12, 7, 14, 5, 9, 0});
    r.EndTime = r.StartTime + 0.0312;
    r.ProcessTime = ElapsedText(r.StartTime, r.EndTime);
    r.FileCount = 1532;
    r.SizeText = "12.40 Mb";
    r.Status = "Complete";
    r.Errors = 1;
    return r;
}

} // namespace

void renderJobWindows() {
    TFrmSummary summary(nullptr, sampleRecord());
    shoot(summary, "summary");

    TFormPassword password(nullptr, TPasswordModel::Mode::ListWithSkip,
                           TPasswordModel::promptFor("Can't find a valid password for "
                                                     "decryption. Add other password or click "
                                                     "'Skip'.",
                                                     "C:\\Documents\\budget.xls"),
                           {});
    password.model().load({"first", "second password"});
    shoot(password, "password_list");
    TFormPassword deep(nullptr, TPasswordModel::Mode::ListWithSkip,
                       TPasswordModel::promptFor("Can't find a valid password for decryption. "
                                                 "Add other password or click 'Skip'.",
                                                 "C:\\Documents\\Projects\\Quillmoor\\"
                                                 "Allotment_society_minutes_2026\\"
                                                 "Annual_general_meeting_draft_v3.doc"),
                       {});
    shoot(deep, "password_long_path");
    TFormPassword single(nullptr, TPasswordModel::Mode::Single, "Enter Password for Encryption",
                         {});
    shoot(single, "password_single");

    TRevisionFileList versions(3);
    const char* names[] = {"C:\\Documents\\budget.xls",
                           "C:\\Documents\\Projects\\Quillmoor\\Minutes of the annual general "
                           "meeting.doc",
                           "C:\\Photos\\garden.jpg"};
    for (std::size_t i = 0; i < versions.size(); ++i) {
        versions[i].Path = names[i];
        versions[i].Count = static_cast<int32_t>(2 + i);
        for (std::size_t k = 0; k < 2 + i; ++k)
            versions[i].Dates[k] = encodeDateTime(
                {2026, 11, 20 + static_cast<int>(k), 9 + static_cast<int>(i), 15, 0, 0});
    }
    TFormRevision revision(nullptr, versions);
    revision.show();
    revision.list()->openPopup(2);
    shoot(revision, "revision");

    TFrmProgress progress(kOpBackup, std::make_unique<TBackupOperation>(TBackupRequest{}),
                          TFrmProgress::Setup{});
    TJobRunnerModel& runner = progress.model();
    runner.Activated = true; // drawn mid-run: the operation itself is not started
    runner.setTotals(1532, 13002342);
    runner.setOperationText("Backup process...");
    runner.showDoneImage();
    runner.FileProgress(611, false, 2000000, 1400000, 5210000);
    shoot(progress, "job_runner_backup");

    TFrmProgress deletion(kOpDeleteFromMedia, std::make_unique<TDeleteOperation>(TRestoreRequest{}),
                          TFrmProgress::Setup{});
    TJobRunnerModel& deleting = deletion.model();
    deleting.Activated = true;
    deleting.hideSizes();
    deleting.setTotals(12, 0);
    deleting.showDoneImage();
    deleting.DeleteProgress(5, false, 100, 40, 0);
    shoot(deletion, "job_runner_delete");

    TSyncRequest hardDriveToMedia;
    hardDriveToMedia.run = TSyncRun::HardDriveToMedia;
    TFrmProgress sync(kOpHardDriveToMedia, MakeSyncOperation(hardDriveToMedia),
                      TFrmProgress::Setup{});
    TJobRunnerModel& syncing = sync.model();
    syncing.Activated = true;
    syncing.setTotals(3, 2400000);
    syncing.setOperationText("Updating with newer files...");
    syncing.showDoneImage();
    syncing.FileProgress(1, false, 1500000, 600000, 1500000);
    shoot(sync, "job_runner_sync");
}

} // namespace qm::renderwindows
