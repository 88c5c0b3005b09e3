#pragma once
// TColumnFit: keeps the columns of a list view filling its width. Each column keeps the
// width it has been given; one column (the file name or path) takes whatever width the
// others leave, never less than its least width, and a text too long for it loses the
// middle of its folders (elideFolders), a name without folders its own middle. So a large
// window shows long names instead of an empty strip beside the last column, and a narrow
// one scrolls rather than cutting a column short. The user may still drag any
// column; the other columns' drags and every resize of the view fit the growing column again. A
// child of the view, which it borrows; it works on tree views and table views alike.

#include <QObject>

class QAbstractItemView;
class QHeaderView;
class QTableView;
class QTreeView;
class QWidget;

namespace qm {

class TColumnFit : public QObject {
  public:
    TColumnFit(QTreeView& view, int growColumn, int leastWidth);
    TColumnFit(QTableView& view, int growColumn, int leastWidth);

    void fit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TColumnFit(QAbstractItemView& view, QHeaderView& header, int growColumn, int leastWidth);

    QWidget& viewport_;
    QHeaderView& header_;
    int grow_;
    int least_;
    bool fitting_ = false;
};

} // namespace qm
