#pragma once
// TBackupOperation: operation 0 of the job runner. It checks the media drive, asks for
// the encryption password, collects the ticked files (all of them, or for an incremental
// backup the new and changed ones), checks that the media has room for what will be
// written, runs one engine backup with the settings in force, and records the run.

#include "app/runs/backupcollector.h"
#include "app/runs/joboperation.h"

#include <functional>
#include <string>

namespace qm {

// What the Backup page gives a backup; the settings in force (from encryption to
// revisions) are copied in by WithSettingsInForce.
struct TBackupRequest {
    std::string mediaCaption; // the Backup page's media drive "(E:\)"
    bool encryption = false;
    int keyBits = 128;
    bool incremental = true;
    TSelectionWalk selection;
    std::function<bool(const std::string& name)> excluded; // exception lists in use
    int compressionType = 0; // 0 none, 1 one archive per run, 2 one archive per file
    int level = 1;
    bool log = true;
    int revisions = 0; // versions kept; 0 = none
};

class TBackupOperation : public TJobOperation {
  public:
    explicit TBackupOperation(TBackupRequest request) : request_(std::move(request)) {}

    const char* title() const override { return "Backup"; }
    TJobOutcome Run(TJobContext& context) override;

    static const char* const kWrongDrive;
    static const char* const kNothingNew;
    static const char* const kNothing;
    static const char* const kNoRoom;

  private:
    TBackupRequest request_;
};

} // namespace qm
