#include "app/pages/drives/drivespage.h"

#include "app/common/captionface.h"
#include "app/common/pagewidgets.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QFileIconProvider>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace qm {

namespace {

QLabel* barPart(QWidget* parent, const QString& name, const QColor& colour) {
    auto* part = named(new QLabel(parent), name);
    part->setAutoFillBackground(true);
    QPalette palette = part->palette();
    palette.setColor(QPalette::Window, colour);
    part->setPalette(palette);
    return part;
}

} // namespace

TDrivesPage::TDrivesPage(TDrivePoll& poll, MessageFn message, QWidget* parent)
    : QWidget(parent), model_(poll, std::move(message)) {
    setObjectName(QStringLiteral("TS_Drives"));
    panel_ = named(new QWidget(this), QStringLiteral("Pnl_Drives"));
    panel_->setFixedSize(600, 420);
    auto* row = new QHBoxLayout(panel_);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(buildSide(panel_, "Source", QStringLiteral("Source Drives"), source_));

    auto* moves = new QVBoxLayout;
    moves->addSpacing(60);
    auto* toMedia =
        makeCaptionButton(panel_, "imr_drives_r", {}, QStringLiteral(">>"), QSize(48, 30),
                          QStringLiteral("Use selected drive as Target Media"));
    auto* toSource =
        makeCaptionButton(panel_, "imr_Drives_l", {}, QStringLiteral("<<"), QSize(48, 30),
                          QStringLiteral("Use selected drive as Source"));
    moves->addWidget(toMedia);
    moves->addSpacing(12);
    moves->addWidget(toSource);
    moves->addStretch();
    row->addLayout(moves);
    row->addWidget(buildSide(panel_, "Media", QStringLiteral("Target Media Drives"), media_));

    connect(toMedia, &TImageRegion::clicked, this, [this] { model_.imr_drives_rClick(); });
    connect(toSource, &TImageRegion::clicked, this, [this] { model_.imr_Drives_lClick(); });
    connect(source_.list, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_)
            model_.lv_DM_SourceChange(
                source_.list->indexOfTopLevelItem(source_.list->currentItem()));
    });
    connect(media_.list, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_)
            model_.lv_DM_MediaChange(media_.list->indexOfTopLevelItem(media_.list->currentItem()));
    });
    model_.onChanged = [this] { refresh(); };
    refresh();
}

QWidget* TDrivesPage::buildSide(QWidget* parent, const char* prefix, const QString& title,
                                Side& side) {
    const QString p = QString::fromLatin1(prefix);
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(whiteLabel(box, nullptr, title));

    side.list = named(new QTreeWidget(box), QStringLiteral("lv_DM_") + p);
    side.list->setColumnCount(1);
    side.list->setHeaderLabels({QStringLiteral("Available Drives")});
    side.list->header()->resizeSection(0, 180);
    side.list->setRootIsDecorated(false);
    side.list->setSelectionMode(QAbstractItemView::SingleSelection);
    side.list->setSelectionBehavior(QAbstractItemView::SelectRows);
    side.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    side.list->setFixedHeight(200);
    layout->addWidget(side.list);

    auto* details = new QGridLayout;
    details->setColumnStretch(1, 1);
    side.total = named(whiteLabel(box, nullptr, {}), QStringLiteral("lbl_%1_Total").arg(p));
    side.available = named(whiteLabel(box, nullptr, {}), QStringLiteral("lbl_%1_Aval").arg(p));
    side.fileSystem = named(whiteLabel(box, nullptr, {}), QStringLiteral("lbl_%1_Label").arg(p));
    const std::pair<const char*, QLabel*> rows[] = {
        {"Total Space:", side.total},
        {"Available Space:", side.available},
        {"File System:", side.fileSystem},
    };
    int line = 0;
    for (const auto& [caption, value] : rows) {
        details->addWidget(whiteLabel(box, nullptr, QString::fromLatin1(caption)), line, 0);
        details->addWidget(value, line++, 1);
    }
    details->addWidget(whiteLabel(box, nullptr, QStringLiteral("Drive usage:")), line++, 0, 1, 2);
    // The full bar in the free colour, the used part drawn over it from the left.
    side.bar = barPart(box, QStringLiteral("img_%1_Total").arg(p), QColor(96, 196, 96));
    side.bar->setFixedSize(kBarWidth, 14);
    side.bar->setFrameStyle(QFrame::Box | QFrame::Plain);
    side.used = barPart(side.bar, QStringLiteral("img_%1_Used").arg(p), QColor(60, 80, 170));
    side.used->setGeometry(0, 0, 0, 14);
    details->addWidget(side.bar, line, 0, 1, 2);
    layout->addLayout(details);
    layout->addStretch();
    return box;
}

void TDrivesPage::showSide(Side& side, const std::vector<TDrivesPageModel::Item>& items, int index,
                           const TDrivesPageModel::Details& details) {
    bool same = side.list->topLevelItemCount() == static_cast<int>(items.size());
    for (int i = 0; same && i < side.list->topLevelItemCount(); ++i)
        same =
            side.list->topLevelItem(i)->data(0, Qt::UserRole).toString() ==
                QString::fromStdString(items[size_t(i)].root) &&
            side.list->topLevelItem(i)->text(0) == QString::fromStdString(items[size_t(i)].caption);
    if (!same) {
        const QIcon driveIcon = QFileIconProvider().icon(QFileIconProvider::Drive);
        side.list->clear();
        for (const TDrivesPageModel::Item& item : items) {
            auto* row = new QTreeWidgetItem(side.list, {QString::fromStdString(item.caption)});
            row->setIcon(0, driveIcon);
            row->setData(0, Qt::UserRole, QString::fromStdString(item.root));
        }
    }
    side.list->setCurrentItem(index >= 0 ? side.list->topLevelItem(index) : nullptr);
    side.total->setText(QString::fromStdString(details.total));
    side.available->setText(QString::fromStdString(details.available));
    side.fileSystem->setText(QString::fromStdString(details.fileSystem));
    side.used->resize(details.usedWidth(kBarWidth), side.bar->height());
}

void TDrivesPage::refresh() {
    refreshing_ = true;
    showSide(source_, model_.sources(), model_.sourceIndex(), model_.sourceDetails());
    showSide(media_, model_.media(), model_.mediaIndex(), model_.mediaDetails());
    refreshing_ = false;
}

void TDrivesPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int left = static_cast<int>(std::lround((width() - panel_->width()) / 2.0));
    const int top = static_cast<int>(std::lround((height() - panel_->height()) / 2.0) +
                                     std::lround(panel_->height() / 30.0));
    panel_->move(std::max(0, left), std::max(0, top));
}

} // namespace qm
