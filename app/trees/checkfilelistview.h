#pragma once
// TCheckFileListView: the view of a TCheckFileList (the Backup page's file list and the
// restore file lists): one row per file with a check box and an icon on the name, the
// columns the list gives, grey text for the rows the list greys, the full path as each
// row's tooltip, a header click sorts (with the list's arrow), Space toggles the current
// row's tick; after a fill the first row is current. The widths are the least each column gets, a
// date column fits a whole date, and the name takes the width the other columns leave (TColumnFit).
// The list belongs to the page.

#include <QTreeView>
#include <vector>

namespace qm {

class TCheckFileList;

class TCheckFileListView : public QTreeView {
    Q_OBJECT
  public:
    struct Column {
        const char* caption;
        int width;
        Qt::Alignment align;
        bool date = false;
    };

    TCheckFileListView(TCheckFileList& list, std::vector<Column> columns, QWidget* parent);
    ~TCheckFileListView() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    TCheckFileList& list_;
};

} // namespace qm
