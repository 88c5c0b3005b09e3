#pragma once
// TRestoreOperation and TDeleteOperation: operations 1 and 6 of the job runner, over the
// files ticked in the Restore page's tree. The restore asks for the passwords of an
// encrypted catalogue, collects each file's versions, lets the user pick versions and a
// folder, and restores; the delete asks first and removes the files, their versions and
// their records from the media. Both record the run like a backup.

#include "app/runs/backupcollector.h"
#include "app/runs/joboperation.h"

#include <functional>
#include <optional>
#include <string>

namespace qm {

// What the Restore page gives a restore or a delete.
struct TRestoreRequest {
    std::string mediaCaption; // cbSourceDrive "(E:\)"
    bool mediaEncrypted = false;
    int keyBits = 128;
    // The ticked catalogue files, one path at a time (never whole folders).
    TSelectionWalk selection;
    // The catalogue's size of a listed source path; nothing when it is not listed.
    std::function<std::optional<int64_t>(const std::string& path)> catalogueSize;
    bool selectVersions = false; // "Select file versions", else the newest
    bool toFolder = false;       // "Restore to selected destination path"
    // The settings in force (WithSettingsInForce): keyBits above and these.
    bool replaceOnlyOld = false;
    bool log = true;
};

class TRestoreOperation : public TJobOperation {
  public:
    explicit TRestoreOperation(TRestoreRequest request) : request_(std::move(request)) {}
    const char* title() const override { return "Restore"; }
    TJobOutcome Run(TJobContext& context) override;

    static const char* const kNothing;

  private:
    TRestoreRequest request_;
};

class TDeleteOperation : public TJobOperation {
  public:
    explicit TDeleteOperation(TRestoreRequest request) : request_(std::move(request)) {}
    const char* title() const override { return "Delete"; }
    TJobOutcome Run(TJobContext& context) override;

    static const char* const kNothing;
    static const char* const kQuestion;

  private:
    TRestoreRequest request_;
};

} // namespace qm
