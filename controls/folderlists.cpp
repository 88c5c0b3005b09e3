#include "controls/folderlists.h"

#include "controls/selectdirmodel.h"
#include "controls/skin.h"

#include <QComboBox>
#include <QListWidget>

namespace qm {

TFolderLists::TFolderLists(TSelectDirModel& model, QComboBox& drives, QListWidget& list)
    : QObject(&list), model_(model), drives_(drives), list_(list) {
    connect(&drives_, &QComboBox::activated, this, [this](int index) {
        model_.selectDrive(index);
        refreshList();
    });
    connect(&list_, &QListWidget::currentRowChanged, this, [this](int row) { model_.select(row); });
    connect(&list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        model_.open(list_.row(item));
        refreshList();
    });
}

void TFolderLists::prepare() {
    model_.start();
    drives_.clear();
    for (const std::string& root : model_.drives())
        drives_.addItem(QString::fromStdString(root));
    drives_.setCurrentIndex(model_.driveIndex());
    refreshList();
}

void TFolderLists::refreshList() {
    const QIcon folder(skinPicture(QStringLiteral("icon_folder"), {16, 16}));
    const QSignalBlocker blocker(list_);
    list_.clear();
    for (const auto& item : model_.items())
        new QListWidgetItem(
            folder, QString(item.level * 2, QLatin1Char(' ')) + QString::fromStdString(item.text),
            &list_);
    list_.setCurrentRow(model_.selectedIndex());
}

} // namespace qm
