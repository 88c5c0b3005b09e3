#pragma once
// The rules of the reminder window TFrmReminder: where it stands and what its three
// controls do. The main window supplies the two actions; the window only hides itself.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

namespace qm {

class TReminderModel {
  public:
    // Beside the tray icon: 135 px left of it and 80 px above it, then moved fully inside
    // the available screen. Where the tray's place is unknown, the bottom-right corner
    // of the available screen.
    static QPoint place(std::optional<QRect> trayRect, const QRect& available, QSize size);

    std::function<void()> onBackup;  // opens the Backup page
    std::function<void()> onTurnOff; // unticks the reminder and saves the settings quietly

    // Each returns true: the window is to hide afterwards.
    bool imr_BackupClick();
    bool Imr_CancelClick();
    bool img_CloseClick() { return true; }
};

} // namespace qm
