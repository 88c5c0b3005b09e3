#pragma once
// TUpdaterModel: the rules of the updater's window without its widgets: the silent and
// the visible start, the day stamp, the update check and its outcome, the offer, the
// download of a release file by file, its installation and the rules for closing. Every
// method runs on the window thread; the workers (the check and one download at a time)
// report through Actions::post. It owns the workers, the parser, the release and the
// staging folder; the window supplies side effects through Actions and questions
// through MessageFn.

#include "updater/installation.h"
#include "updater/release.h"
#include "updater/simpleparser.h"
#include "updater/updateserver.h"
#include "updater/workerpost.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

class TDownloadThread;
class TPostThread;
class TStagingFolder;

// A message box of a kind (0 OK, 1 OK/Cancel, 2 Yes/No) answered with 1, 2, 6 or 7.
using UpdaterMessageFn = std::function<int(int kind, const std::string& text)>;

class TUpdaterModel {
  public:
    enum Page { TS_Request = 0, TS_Description = 1, TS_Download = 2 };
    enum CheckResult { NewRelease = 0, NoUpdate = 1, BadRequest = 2, Unrecognized = -1 };
    enum class State { Created, Checking, Offered, Downloading, Installing, Ended };

    struct Actions {
        WindowThreadPost post; // queues a task for the window thread
        std::function<void()> showWindow;
        std::function<void()> hideWindow;
        std::function<bool()> windowVisible;
        std::function<void()> closeWindow;          // asks the window to close: FormClose decides
        std::function<void(int frame)> SetTrayIcon; // below 0: add the icon with frame 0
        std::function<void()> removeTrayIcon;
        std::function<bool()> IsMainProgramRunning;
        std::function<bool()> IAmAdmin;
        std::function<void(const std::string& hostPath)> startProgram;
        std::function<void(bool busy)> busyCursor;
    };
    // What the window shows; the window paints nothing else.
    struct View {
        int mainPage = TS_Request;
        int buttonsPage = TS_Request;
        std::string description;
        bool usageTicked = false;
        int total = 0;
        int index = -1; // files completed; -1 before the first starts
        std::string fileLabel;
        uint64_t currentTotal = 0; // 0 when the server gave no length
        uint64_t currentReceived = 0;
    };
    struct Config {
        UpdateServerAddress server;
        int timeoutMs = kDefaultUpdateTimeoutMs;
        std::string settingsFolder; // host folder of "Settings.dat" (the program's folder)
    };

    static constexpr int kTrayFrames = 5;
    static constexpr const char* kNotAdmin =
        "You cannot run Updater in User mode. Please contact your System Administrator.";
    static constexpr const char* kMainProgramRunning =
        "To continue with the Updater, you must first close Quillmoor and completely exit the "
        "program via the system tray menu, then click Ok.";
    static constexpr const char* kNotComplete =
        "Download & Update is not complete. Are you sure you want to exit?";

    TUpdaterModel(UpdaterMessageFn message, Actions actions, Config config);
    ~TUpdaterModel();
    TUpdaterModel(const TUpdaterModel&) = delete;
    TUpdaterModel& operator=(const TUpdaterModel&) = delete;

    // Labels, pages, bars or the state changed.
    std::function<void()> onChanged;

    // The start: mode, day stamp, rights. False when the program ends at once.
    bool FormCreate(const std::vector<std::string>& arguments);
    // Each showing of the window: the tray icon.
    void FormShow();
    void tmr_DownloadTimer();
    void tmr_UpdateTimer();
    void imr_YesClick();
    void imr_NoClick();
    void imr_StopClick();
    void imr_BackgroundClick();
    void mnu_ShowUpdaterClick();
    void mnu_CancelUpdateClick();
    // The window asks to close; true when it may (the program then ends).
    bool FormClose();
    // The program is asked to end: the update is cancelled without a question.
    void terminate();

    View view() const;
    bool silent() const { return silent_; }
    State state() const { return state_; }
    int mainPage() const { return mainPage_; }
    int buttonsPage() const { return buttonsPage_; }
    const std::string& description() const { return description_; }
    bool usageTicked() const { return usageTicked_; }
    void setUsageTicked(bool ticked) { usageTicked_ = ticked; }
    int Total() const { return total_; }
    int Index() const { return index_; }
    const std::string& fileLabel() const { return fileLabel_; }
    uint64_t currentTotal() const { return currentTotal_; }
    uint64_t currentReceived() const { return currentReceived_; }
    bool downloadStarted() const { return downloadStarted_; }
    bool closing() const { return closing_; }
    const TRelease& release() const { return release_; }

    // Bar widths inside their frames.
    static int currentBarWidth(uint64_t total, uint64_t received, int frameWidth);
    static int totalBarWidth(int index, int total, int frameWidth);

  private:
    void CheckForUpdate();
    void checkAnswered(const std::vector<std::string>& lines, bool answered);
    void StartDownload();
    void DownloadFile(int n);
    void FileDownloaded();
    void downloadDone(bool ok, const std::string& reason);
    void UpdateProgress(uint64_t total, uint64_t received);
    void InstallRelease();
    bool waitForMainProgramToEnd();
    void recordRelease();
    void fail(const std::string& text);
    void close();
    void setPaused(bool paused);
    void cleanUp();
    void changed();
    WindowThreadPost guardedPost();

    UpdaterMessageFn message_;
    Actions actions_;
    Config config_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0); // queued tasks check it
    bool silent_ = false;
    State state_ = State::Created;
    int mainPage_ = TS_Request;
    int buttonsPage_ = TS_Request;
    bool closing_ = false;
    bool ignoreCallbacks_ = false;   // the window's Tag -1: the close began
    bool closeQuestionOpen_ = false; // downloads pause while it is open
    bool paused_ = false;
    bool downloadStarted_ = false;
    bool usageTicked_ = false;
    bool installedCommon_ = false;
    std::string description_;
    std::optional<TInstallation> installation_;
    TSimpleParser parser_;
    TRelease release_;
    int total_ = 0;
    int index_ = -1;
    std::string fileLabel_;
    uint64_t currentTotal_ = 0;
    uint64_t currentReceived_ = 0;
    std::unique_ptr<TStagingFolder> staging_;
    std::unique_ptr<TPostThread> check_;
    std::unique_ptr<TDownloadThread> download_;
};

} // namespace qm
