#include "app/pages/settings/exceptionlistsbox.h"

#include "app/common/captionface.h"
#include "controls/imageregion.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <functional>

namespace qm {

namespace {

using List = TExceptionListsModel::List;

struct ButtonDef {
    const char* name;
    const char* caption;
    const char* hint;
    void (TExceptionListsModel::*action)(List);
};

const ButtonDef kFileButtons[] = {
    {"imr_Exept_Add", "Add", "Add file to the Exception List", &TExceptionListsModel::add},
    {"imr_Exept_Edit", "Edit", "Edit name of the selected file ", &TExceptionListsModel::edit},
    {"imr_Exept_Del", "Delete", "Remove file from the Exception List ",
     &TExceptionListsModel::remove},
};
const ButtonDef kExtButtons[] = {
    {"imr_Ext_add", "Add", "Add file extension to the Exception List", &TExceptionListsModel::add},
    {"imr_Ext_Edit", "Edit", "Edit the selected file extension ", &TExceptionListsModel::edit},
    {"imr_Ext_Del", "Delete", "Remove file extension from the Exception List ",
     &TExceptionListsModel::remove},
};

} // namespace

TExceptionListsBox::TExceptionListsBox(TExceptionListsModel& model, QWidget* parent)
    : QGroupBox(QStringLiteral("Exception Lists"), parent), model_(model) {
    setObjectName(QStringLiteral("gb_Exceptions"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setHorizontalSpacing(14);
    layout->addWidget(buildList(List::Files), 0, 0);
    layout->addWidget(buildList(List::Extensions), 0, 1);
    refresh();
}

QWidget* TExceptionListsBox::buildList(List list) {
    const bool files = list == List::Files;
    auto* box = new QWidget(this);
    auto* layout = new QGridLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(files ? QStringLiteral("Files")
                                   : QStringLiteral("File Extensions (do not include dot)"),
                             box);
    label->setWordWrap(true);
    layout->addWidget(label, 0, 0, 1, 2);
    auto* widget = new QListWidget(box);
    widget->setObjectName(files ? QStringLiteral("lb_Exeptions") : QStringLiteral("lb_Extantions"));
    widget->setSelectionMode(QAbstractItemView::ExtendedSelection);
    widget->installEventFilter(this);
    widget->setFixedHeight(58);
    widget->setMinimumWidth(110);
    layout->addWidget(widget, 1, 0, 3, 1);
    (files ? files_ : extensions_) = widget;
    connect(widget, &QListWidget::itemSelectionChanged, this,
            [this, list] { takeSelection(list); });
    int row = 1;
    for (const ButtonDef& def : files ? kFileButtons : kExtButtons) {
        auto* button = makeCaptionButton(box, def.name, {}, QString::fromLatin1(def.caption),
                                         QSize(56, 18), QString::fromLatin1(def.hint));
        layout->addWidget(button, row++, 1);
        const auto action = def.action;
        connect(button, &TImageRegion::clicked, this, [this, action, list] {
            std::invoke(action, model_, list); // not (model_.*action): see TTrayMenu::add
            refresh();
        });
    }
    return box;
}

void TExceptionListsBox::takeSelection(List list) {
    QListWidget* widget = list == List::Files ? files_ : extensions_;
    std::set<int> rows;
    for (const QModelIndex& index : widget->selectionModel()->selectedRows())
        rows.insert(index.row());
    model_.setSelected(list, std::move(rows));
}

void TExceptionListsBox::refresh() {
    for (List list : {List::Files, List::Extensions}) {
        QListWidget* widget = list == List::Files ? files_ : extensions_;
        const QSignalBlocker block(widget);
        widget->clear();
        for (const std::string& line : model_.lines(list))
            widget->addItem(QString::fromStdString(line));
        for (int row : model_.selected(list))
            if (QListWidgetItem* item = widget->item(row))
                item->setSelected(true);
    }
}

bool TExceptionListsBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
        (watched == files_ || watched == extensions_)) {
        model_.remove(watched == files_ ? List::Files : List::Extensions);
        refresh();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace qm
