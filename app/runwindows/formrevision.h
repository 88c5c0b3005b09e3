#pragma once
// TFormRevision and TRevisionList: the window in which the user picks, per file, the
// version to restore. TRevisionList is the report list (file, version count, chosen
// date) whose rows carry a drop-down arrow at their right end; a click on the arrow opens
// a small list of that file's dates. The rules are TRevisionWindowModel's, which works on
// the caller's revision list; the window owns only its widgets.

#include "app/runwindows/revisionwindowmodel.h"
#include "controls/skinneddialog.h"

#include <QTreeWidget>
#include <functional>

class QListWidget;

namespace qm {

class TColumnFit;

class TRevisionList : public QTreeWidget {
    Q_OBJECT
  public:
    TRevisionList(TRevisionWindowModel& model, QWidget* parent, QWidget* popupParent);

    int FileColumnWidth = 180;
    int RevCountColumnWidth = 100;
    int DateColumnWidth = 150;

    // Builds the columns and the rows from the model.
    void Prepare();
    void SelectOldest();
    void SelectNewest();
    QListWidget* popup() const { return popup_; }
    // Opens the date list of a row, as a click on its arrow does.
    void openPopup(int row);

  protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    static constexpr int kArrowZone = 16;
    bool inArrowZone(const QPoint& at, int& row) const;
    void refreshRow(int row);

    static constexpr int kLeastFileWidth = 80;

    TRevisionWindowModel& model_;
    TColumnFit* fit_ = nullptr; // a child of the list
    QListWidget* popup_ = nullptr;
    int popupRow_ = -1;
    int hotRow_ = -1;
};

class TFormRevision : public TSkinnedDialog {
    Q_OBJECT
  public:
    TFormRevision(QWidget* owner, TRevisionFileList& list, std::function<void()> bringUpMain = {});

    TRevisionWindowModel& model() { return model_; }
    TRevisionList* list() const { return list_; }

    // Shows the window modally; 1 OK (chosen dates written into the list), 2 Cancel. In
    // script mode the answer to "Select file versions" is "oldest", "newest", "cancel" or
    // one date index per row separated by commas ("2,0").
    static int choose(TRevisionFileList& list, const std::function<void()>& bringUpMain);

  private:
    TRevisionWindowModel model_;
    TRevisionList* list_ = nullptr;
};

} // namespace qm
