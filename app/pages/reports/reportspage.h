#pragma once
// TReportsPage: the widgets of the Reports page (TS_Reports) over a TReportsPageModel:
// the drive choice cbMediaDriveRep, the list lv_Reports, the two memos that show the
// selected report beside its captions, and the Print, Delete and Delete all buttons. The
// model belongs to the main window; refresh() puts its state on the widgets.

#include <QWidget>

class QComboBox;
class QPlainTextEdit;
class QTreeWidget;

namespace qm {

class TReportsPageModel;

class TReportsPage : public QWidget {
    Q_OBJECT
  public:
    TReportsPage(TReportsPageModel& model, QWidget* parent);

    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TReportsPageModel& model_;
    QComboBox* drives_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPlainTextEdit* values_ = nullptr;
    bool refreshing_ = false;
};

} // namespace qm
