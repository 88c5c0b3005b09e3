#pragma once
// TFrmWait: the window shown while a long list or tree loads. It has one page per
// activity (`pgc_Main`: TS_Dir, TS_Rep, TS_Load, TS_Save, TS_contents), no buttons, and
// is closed only by its creator, the main window, which owns it.

#include "controls/skinneddialog.h"

class QStackedWidget;

namespace qm {

class TFrmWait : public TSkinnedDialog {
    Q_OBJECT
  public:
    static constexpr int kPageCount = 5;
    // Page names in index order; an index outside 0..4 shows page 0.
    static const char* pageName(int index);
    static int checkedPage(int index) { return index >= 0 && index < kPageCount ? index : 0; }

    TFrmWait(int pageIndex, QWidget* owner);

    int pageIndex() const;

  private:
    QStackedWidget* pages_ = nullptr;
};

} // namespace qm
