#pragma once
// TTrayMenu: the tray icon "Quillmoor Backup" and its pop-up menu ppm_Main. The items
// (named as the menu's components) call the main window model; the ticks follow the
// model through refresh(). Where the desktop has no tray the icon is never shown and
// available() says so, so the program keeps its main window in view instead.

#include <QObject>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace qm {

class TMainWindowModel;

class TTrayMenu : public QObject {
    Q_OBJECT
  public:
    TTrayMenu(TMainWindowModel& model, QObject* parent);
    ~TTrayMenu() override;

    static bool available();
    // SetTray: shows the icon when the desktop has a tray.
    void SetTray();
    void removeIcon();
    void refresh();
    QMenu* menu() const { return menu_.get(); }
    QSystemTrayIcon* icon() const { return icon_; }
    QAction* item(const char* name) const;

  private:
    void iconActivated(int reason);
    void bringOwnerToFront();
    QAction* add(const char* name, const QString& caption, void (TMainWindowModel::*slot)(),
                 bool checkable = false);

    TMainWindowModel& model_;
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* icon_ = nullptr; // child of this object
    // A left click's menu waits out the double-click time, so that the second click of
    // a double click reaches the icon rather than the menu. Child of this object.
    QTimer* pendingMenu_ = nullptr;
};

} // namespace qm
