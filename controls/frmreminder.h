#pragma once
// TFrmReminder: the small window beside the tray that reminds the user to back up. It
// owns its picture and buttons (Qt children); the main window gives it the two actions
// through model() and places it with TReminderModel::place. Closing only hides it.

#include "controls/remindermodel.h"
#include "controls/skinneddialog.h"

namespace qm {

class TFrmReminder : public TSkinnedDialog {
    Q_OBJECT
  public:
    explicit TFrmReminder(QWidget* owner = nullptr);

    TReminderModel& model() { return model_; }
    // Places the window beside `trayRect` (nothing: the tray's place is unknown).
    void placeBesideTray(std::optional<QRect> trayRect);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    TReminderModel model_;
};

} // namespace qm
