#pragma once
// TFrmMain: the updater's one window ("Quillmoor Updater", 402 x 239, borderless and
// shaped): the request, description and download pages of pgc_Main, the button pages of
// pgc_Buttons, the tray icon with its five progress frames and its menu ppm_Main, and the
// two timers. Every rule is TUpdaterModel's; the window paints the model's View and
// carries out its Actions. Widgets are children of the window; the tray icon and its
// menu are owned here.

#include "updater/updatermodel.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QLabel;
class QMenu;
class QStackedWidget;
class QSystemTrayIcon;
class QTimer;

namespace qm {

class TImageRegion;

struct TUpdaterSetup {
    std::vector<std::string> arguments;
    TUpdaterModel::Config config;
    UpdaterMessageFn message; // empty: the updater's message box
    // Empty: the real probes and the shell.
    std::function<bool()> isAdmin;
    std::function<bool()> isMainProgramRunning;
    std::function<void(const std::string& hostPath)> startProgram;
    // Whether the desktop shows tray icons. Without one, Background minimises the window
    // instead of hiding it, so the update stays in reach.
    std::function<bool()> trayAvailable;
};

class TFrmMain : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 402;
    static constexpr int kClientHeight = 239;

    explicit TFrmMain(TUpdaterSetup setup);
    ~TFrmMain() override;

    TUpdaterModel& model() { return *model_; }
    // False when the start ended the program (no rights).
    bool created() const { return created_; }
    // Starts the timers and shows the window unless the start is silent.
    void start();
    // Paints a view (the model's, or any other for a picture of the window).
    void paintView(const TUpdaterModel::View& view);
    QSystemTrayIcon* trayIcon() const { return tray_; }
    QMenu* trayMenu() const { return trayMenu_.get(); }

    // The window's shape.
    static QRegion outline(int width, int height);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    TUpdaterModel::Actions makeActions(const TUpdaterSetup& setup);
    void buildPages();
    void buildButtons();
    void buildTray();
    void SetTrayIcon(int frame);

    std::unique_ptr<TUpdaterModel> model_;
    bool created_ = false;
    QStackedWidget* pages_ = nullptr;
    QStackedWidget* buttons_ = nullptr;
    QLabel* description_ = nullptr;
    QCheckBox* usage_ = nullptr;
    QLabel* totalFiles_ = nullptr;
    QLabel* processedFiles_ = nullptr;
    QLabel* file_ = nullptr;
    QLabel* currentFrame_ = nullptr;
    QLabel* currentBar_ = nullptr;
    QLabel* totalFrame_ = nullptr;
    QLabel* totalBar_ = nullptr;
    QTimer* downloadTimer_ = nullptr;
    QTimer* updateTimer_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
};

} // namespace qm
