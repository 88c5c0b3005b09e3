#pragma once
// TFolderLists: the drive box and the folder list of a folder picker, kept in line with
// its TSelectDirModel: choosing a drive or opening a folder lists the folders again
// (indented by level, each with the folder picture), and the line the user selects is
// the model's selection. The picker owns the widgets and the model; this is a child of
// the list.

#include <QObject>

class QComboBox;
class QListWidget;

namespace qm {

class TSelectDirModel;

class TFolderLists : public QObject {
  public:
    TFolderLists(TSelectDirModel& model, QComboBox& drives, QListWidget& list);

    // Starts the model and fills the drive box and the folder list.
    void prepare();

  private:
    void refreshList();

    TSelectDirModel& model_;
    QComboBox& drives_;
    QListWidget& list_;
};

} // namespace qm
