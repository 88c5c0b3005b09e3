#pragma once
// TFrmSplash: the start-up picture. Its timer `Tmr_Destroy` runs from creation and hides
// the window on every tick (4000 ms); the program's start-up owns and frees it.

#include "controls/skinneddialog.h"

class QTimer;

namespace qm {

class TFrmSplash : public TSkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kInterval = 4000;

    explicit TFrmSplash(QWidget* owner = nullptr);
    QTimer* timer() const { return timer_; }

  private:
    QTimer* timer_ = nullptr;
};

} // namespace qm
