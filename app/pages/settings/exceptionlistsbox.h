#pragma once
// TExceptionListsBox: the exception lists on the Settings page: the list boxes
// lb_Exeptions and lb_Extantions, each with its Add, Edit and Delete buttons, over the
// settings model's TExceptionListsModel. The Delete key in a list acts as its Delete
// button; refresh() puts the lists back on the widgets.

#include "app/pages/settings/exceptionlistsmodel.h"

#include <QGroupBox>

class QListWidget;

namespace qm {

class TExceptionListsBox : public QGroupBox {
    Q_OBJECT
  public:
    TExceptionListsBox(TExceptionListsModel& model, QWidget* parent);

    void refresh();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildList(TExceptionListsModel::List list);
    void takeSelection(TExceptionListsModel::List list);

    TExceptionListsModel& model_;
    QListWidget* files_ = nullptr;
    QListWidget* extensions_ = nullptr;
};

} // namespace qm
