#pragma once
// TSyncList: the difference list lv_Sync of the Sync page, a read-only report with grid
// lines, whole-row selection and a check box per row, over a TSyncListModel (the page's).
// Each row is painted in its kind's colour; the hidden columns carry the path, size and
// dates as the model gives them. A grey (unreadable) row has no check box.

#include <QTableView>

namespace qm {

class TSyncListModel;

class TSyncList : public QTableView {
    Q_OBJECT
  public:
    TSyncList(TSyncListModel& model, QWidget* parent);
    ~TSyncList() override;

    TSyncListModel& listModel() { return model_; }

  private:
    TSyncListModel& model_;
};

} // namespace qm
