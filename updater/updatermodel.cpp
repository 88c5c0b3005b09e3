#include "updater/updatermodel.h"

#include "platform/fileio.h"
#include "platform/programfiles.h"
#include "platform/updatestaging.h"
#include "updater/downloadthread.h"
#include "updater/postthread.h"
#include "updater/releaseinstaller.h"
#include "updater/stagingfolder.h"
#include "updater/updatersettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm {

namespace {

constexpr const char* kUpToDate = "Your Quillmoor program is up to date.";
constexpr const char* kUnrecognized = "Unrecognized server response.";
constexpr const char* kComplete = "Update with new release complete.";
constexpr const char* kNotInstalled =
    "Quillmoor is not installed on this computer, so there is nothing to update.";
constexpr const char* kNoFiles = "The new release lists no files, so there is nothing to install.";

std::string lastPart(const std::string& name) {
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

} // namespace

TUpdaterModel::TUpdaterModel(UpdaterMessageFn message, Actions actions, Config config)
    : message_(std::move(message)), actions_(std::move(actions)), config_(std::move(config)) {}

TUpdaterModel::~TUpdaterModel() {
    ignoreCallbacks_ = true;
    check_.reset();
    download_.reset();
}

void TUpdaterModel::changed() {
    if (onChanged)
        onChanged();
}

WindowThreadPost TUpdaterModel::guardedPost() {
    return [post = actions_.post, life = std::weak_ptr<int>(life_)](std::function<void()> task) {
        post([life, task = std::move(task)] {
            if (life.lock())
                task();
        });
    };
}

TUpdaterModel::View TUpdaterModel::view() const {
    return {.mainPage = mainPage_,
            .buttonsPage = buttonsPage_,
            .description = description_,
            .usageTicked = usageTicked_,
            .total = total_,
            .index = index_,
            .fileLabel = fileLabel_,
            .currentTotal = currentTotal_,
            .currentReceived = currentReceived_};
}

int TUpdaterModel::currentBarWidth(uint64_t total, uint64_t received, int frameWidth) {
    if (total == 0)
        return 0;
    const int width = static_cast<int>(static_cast<double>(received) / total * frameWidth);
    return std::min(width, frameWidth - 8);
}

int TUpdaterModel::totalBarWidth(int index, int total, int frameWidth) {
    if (total <= 0 || index <= 0)
        return 0;
    if (index >= total)
        return frameWidth - 9;
    return static_cast<int>(std::lround(static_cast<double>(index) / total * frameWidth));
}

bool TUpdaterModel::FormCreate(const std::vector<std::string>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i)
        silent_ = silent_ || arguments[i] == "-w";
    // Without the rights to update, the program ends before it stamps the day: the main
    // program then starts the updater again at its next start.
    if (!actions_.IAmAdmin()) {
        if (!silent_)
            message_(0, kNotAdmin);
        state_ = State::Ended;
        return false;
    }
    WriteUpdateDay();
    mainPage_ = buttonsPage_ = silent_ ? TS_Description : TS_Request;
    changed();
    return true;
}

void TUpdaterModel::FormShow() {
    actions_.SetTrayIcon(-1);
}

void TUpdaterModel::tmr_DownloadTimer() {
    if (state_ != State::Created)
        return;
    CheckForUpdate();
}

void TUpdaterModel::CheckForUpdate() {
    installation_ = findInstallation();
    if (!installation_) {
        if (actions_.windowVisible())
            message_(0, kNotInstalled);
        closing_ = true;
        close();
        return;
    }
    // Staging folders of an updater that was killed or crashed are removed here.
    if (const int stale = updatestaging::RemoveStaleUpdateFolders(installation_->hostFolder))
        std::fprintf(stderr, "updater: removed %d staging folder(s) an earlier run left\n", stale);
    state_ = State::Checking;
    check_ = std::make_unique<TPostThread>(
        checkUrl(config_.server, installation_->GetInstalledProgramDate()), config_.timeoutMs,
        guardedPost(),
        [this](const TPostThread::Reply& reply) { checkAnswered(reply.lines, reply.answered); });
    check_->Start();
}

void TUpdaterModel::checkAnswered(const std::vector<std::string>& lines, bool answered) {
    if (ignoreCallbacks_ || state_ != State::Checking)
        return;
    check_.reset();
    parser_.SetText(answered ? lines : std::vector<std::string>{});
    if (!answered)
        std::fprintf(stderr, "updater: no answer from the update server: %s\n",
                     lines.empty() ? "" : lines.front().c_str());
    const std::string value = parser_.GetValue("result");
    int r = value == "NEW RELEASE"   ? NewRelease
            : value == "NO UPDATE"   ? NoUpdate
            : value == "BAD REQUEST" ? BadRequest
                                     : Unrecognized;
    std::string error;
    if (r == NewRelease && !readRelease(parser_, release_, error)) {
        std::fprintf(stderr, "updater: the offered release cannot be installed: %s\n",
                     error.c_str());
        r = Unrecognized;
    }
    if (r == NewRelease) {
        description_ = parser_.GetValue("descr");
        state_ = State::Offered;
        if (actions_.windowVisible())
            mainPage_ = buttonsPage_ = TS_Description;
        changed();
        actions_.showWindow();
        return;
    }
    if (actions_.windowVisible())
        message_(0, r == NoUpdate ? kUpToDate : kUnrecognized);
    closing_ = true;
    close();
}

bool TUpdaterModel::waitForMainProgramToEnd() {
    while (actions_.IsMainProgramRunning()) {
        const int answer = message_(1, kMainProgramRunning);
        if (state_ == State::Ended || answer != 1)
            return false;
    }
    return true;
}

void TUpdaterModel::imr_YesClick() {
    if (state_ != State::Offered)
        return;
    if (!waitForMainProgramToEnd()) {
        closing_ = true;
        close();
        return;
    }
    if (state_ != State::Offered)
        return;
    mainPage_ = buttonsPage_ = TS_Download;
    changed();
    StartDownload();
}

void TUpdaterModel::imr_NoClick() {
    if (usageTicked_)
        DisableUpdater(config_.settingsFolder);
    closing_ = true;
    close();
}

void TUpdaterModel::imr_StopClick() {
    close(); // the close pauses a download while it asks
}

void TUpdaterModel::imr_BackgroundClick() {
    actions_.hideWindow();
}

void TUpdaterModel::mnu_ShowUpdaterClick() {
    actions_.showWindow();
}

void TUpdaterModel::mnu_CancelUpdateClick() {
    close();
}

void TUpdaterModel::StartDownload() {
    std::string error;
    staging_ = TStagingFolder::create(*installation_, error);
    if (!staging_) {
        std::fprintf(stderr, "updater: %s\n", error.c_str());
        fail(kNotAdmin);
        return;
    }
    if (release_.files.empty()) {
        fail(kNoFiles);
        return;
    }
    downloadStarted_ = true;
    state_ = State::Downloading;
    total_ = static_cast<int>(release_.files.size());
    index_ = -1;
    currentTotal_ = currentReceived_ = 0;
    FileDownloaded();
}

void TUpdaterModel::DownloadFile(int n) {
    const TReleaseFile& file = release_.files[static_cast<size_t>(n)];
    const std::optional<std::string> local =
        staging_->prepare(TStagingFolder::Area::Files, file.name);
    if (!local) {
        fail("The file \"" + file.name + "\" cannot be stored for the update. Nothing was " +
             "installed.");
        return;
    }
    fileLabel_ = " File: " + lastPart(file.name) + "...";
    download_ = std::make_unique<TDownloadThread>(
        *local, releaseFileUrl(config_.server, release_.date, file.name), config_.timeoutMs,
        guardedPost());
    download_->OnProgress = [this](uint64_t total, uint64_t received) {
        UpdateProgress(total, received);
    };
    download_->OnComplete = [this](const TDownloadThread::Result& result) {
        downloadDone(result.ok, result.reason);
    };
    download_->setPaused(paused_);
    download_->Start();
}

void TUpdaterModel::downloadDone(bool ok, const std::string& reason) {
    if (ignoreCallbacks_ || state_ != State::Downloading)
        return;
    download_.reset();
    if (!ok) {
        const TReleaseFile& file = release_.files[static_cast<size_t>(index_)];
        fail("The download of \"" + file.name + "\" failed: " + reason +
             ". Nothing was installed; please try again later.");
        return;
    }
    FileDownloaded();
}

void TUpdaterModel::FileDownloaded() {
    ++index_;
    currentTotal_ = currentReceived_ = 0;
    if (index_ < total_)
        DownloadFile(index_);
    if (state_ != State::Downloading)
        return;
    actions_.SetTrayIcon(kTrayFrames * index_ / total_ - 1);
    changed();
}

void TUpdaterModel::UpdateProgress(uint64_t total, uint64_t received) {
    if (ignoreCallbacks_ || state_ != State::Downloading)
        return;
    currentTotal_ = total;
    currentReceived_ = received;
    changed();
}

void TUpdaterModel::tmr_UpdateTimer() {
    if (!closeQuestionOpen_ && state_ == State::Downloading && total_ > 0 && index_ == total_)
        InstallRelease();
}

void TUpdaterModel::InstallRelease() {
    state_ = State::Installing;
    changed();
    // The main program may have been started again while the files came in.
    if (!waitForMainProgramToEnd()) {
        closing_ = true;
        close();
        return;
    }
    if (state_ != State::Installing)
        return;
    actions_.busyCursor(true);
    std::string error;
    TReleaseInstaller installer(*installation_, *staging_);
    const bool installed = installer.Install(release_, error);
    if (installed) {
        recordRelease();
        installedCommon_ = release_.holdsCommon();
    }
    actions_.busyCursor(false);
    closing_ = true; // the update is over: nothing is left to confirm
    if (installed)
        message_(0, kComplete);
    else if (installer.puttingBackFailed())
        message_(0, "The new release could not be installed: " + error +
                        ". Some of your installed files could not be put back; they are kept "
                        "in " +
                        staging_->hostRoot() + ", and the next run of the updater puts them back.");
    else
        message_(0, "The new release could not be installed: " + error +
                        ". Your installed files were left as they were.");
    close();
}

// The next check knows the installed release by the main program's date; a release
// without the main program gives it the date of its first file.
void TUpdaterModel::recordRelease() {
    if (release_.holdsMainProgram() || release_.files.empty() || !release_.files.front().day)
        return;
    const std::string program = installation_->folder + hostProgramFile(kMainProgramName);
    if (fileExists(program))
        setFileDosDateTime(program, dateTimeToDos(*release_.files.front().day));
}

void TUpdaterModel::fail(const std::string& text) {
    closing_ = true;
    message_(0, text);
    close();
}

void TUpdaterModel::close() {
    if (state_ != State::Ended)
        actions_.closeWindow();
}

bool TUpdaterModel::FormClose() {
    if (state_ == State::Ended)
        return true;
    if (closeQuestionOpen_)
        return false;
    const bool unfinished = state_ == State::Downloading || state_ == State::Installing;
    if (!closing_ && downloadStarted_ && unfinished) {
        setPaused(true);
        closeQuestionOpen_ = true;
        const int answer = message_(2, kNotComplete);
        closeQuestionOpen_ = false;
        if (answer == 7) {
            setPaused(false);
            return false;
        }
    }
    closing_ = true;
    ignoreCallbacks_ = true;
    if (check_)
        check_->Cancel({});
    if (download_)
        download_->Cancel();
    check_.reset();
    download_.reset();
    cleanUp();
    state_ = State::Ended;
    changed();
    return true;
}

void TUpdaterModel::terminate() {
    closing_ = true;
    close();
}

void TUpdaterModel::setPaused(bool paused) {
    paused_ = paused;
    if (download_)
        download_->setPaused(paused);
}

void TUpdaterModel::cleanUp() {
    staging_.reset();
    actions_.removeTrayIcon();
    if (!installedCommon_)
        return;
    if (installation_->MayStart(kCommonProgramName))
        actions_.startProgram(installation_->hostProgram(kCommonProgramName));
    else
        std::fprintf(stderr, "updater: %s is not started: another user than root may change it\n",
                     installation_->hostProgram(kCommonProgramName).c_str());
}

} // namespace qm
