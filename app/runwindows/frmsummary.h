#pragma once
// TFrmSummary and ShowSummary: the "Statistics" window shown when a run ends, one caption
// and value per field of the run's activity record, closed by OK or Enter and dragged by
// its client area. The texts come from ActivityRows; the window owns only its widgets.

#include "app/stores/activityrecord.h"
#include "controls/skinneddialog.h"

#include <functional>

namespace qm {

class TFrmSummary : public TSkinnedDialog {
    Q_OBJECT
  public:
    TFrmSummary(QWidget* owner, const TActivityRecord& record);

    // The text the answer script sees: "Statistics" and one "caption: value" per line.
    static std::string scriptText(const TActivityRecord& record);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// Shows the summary modally and returns its result (2). `bringUpMain` is run on show so
// the window stands over the main window. In script mode the script answers.
int ShowSummary(const TActivityRecord& record, const std::function<void()>& bringUpMain = {});

} // namespace qm
