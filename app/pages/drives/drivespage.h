#pragma once
// TDrivesPage: the widgets of the Drives page (TS_Drives) over a TDrivesPageModel: the
// source and media lists (lv_DM_Source, lv_DM_Media), the move buttons between them
// and, under each list, the selected drive's space, file system and usage bar. Every
// widget carries its component name; the page owns its model, which borrows the main
// window's drive poll.

#include "app/pages/drives/drivespagemodel.h"

#include <QWidget>
#include <memory>

class QLabel;
class QTreeWidget;

namespace qm {

class TDrivesPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kBarWidth = 200;

    TDrivesPage(TDrivePoll& poll, MessageFn message, QWidget* parent);

    TDrivesPageModel& model() { return model_; }
    void FillDrivesInfo() { model_.FillDrivesInfo(); }
    void refresh();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Side {
        QTreeWidget* list = nullptr;
        QLabel* total = nullptr;
        QLabel* available = nullptr;
        QLabel* fileSystem = nullptr;
        QLabel* bar = nullptr;
        QLabel* used = nullptr;
    };
    QWidget* buildSide(QWidget* parent, const char* prefix, const QString& title, Side& side);
    void showSide(Side& side, const std::vector<TDrivesPageModel::Item>& items, int index,
                  const TDrivesPageModel::Details& details);

    TDrivesPageModel model_;
    QWidget* panel_ = nullptr;
    Side source_;
    Side media_;
    bool refreshing_ = false;
};

} // namespace qm
