#include "app/common/columnfit.h"

#include "app/common/pathelide.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace qm {

namespace {

// A path that does not fit loses the middle of its folders, so its drive and its file
// name stay in view; a name without folders loses its middle (its extension stays).
class FolderElide : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        // The style draws the text inside a margin on either side.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        item.text = elideFolders(item.text, item.fontMetrics, textRect.width() - 2 * margin);
        item.textElideMode = Qt::ElideMiddle;
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    }
};

} // namespace

TColumnFit::TColumnFit(QTreeView& view, int growColumn, int leastWidth)
    : TColumnFit(view, *view.header(), growColumn, leastWidth) {}

TColumnFit::TColumnFit(QTableView& view, int growColumn, int leastWidth)
    : TColumnFit(view, *view.horizontalHeader(), growColumn, leastWidth) {}

TColumnFit::TColumnFit(QAbstractItemView& view, QHeaderView& header, int growColumn, int leastWidth)
    : QObject(&view), viewport_(*view.viewport()), header_(header), grow_(growColumn),
      least_(leastWidth) {
    view.setItemDelegateForColumn(grow_, new FolderElide(this));
    header_.setStretchLastSection(false);
    viewport_.installEventFilter(this);
    connect(&header_, &QHeaderView::sectionResized, this, [this](int section) {
        if (section != grow_)
            fit();
    });
    fit();
}

void TColumnFit::fit() {
    QHeaderView* header = &header_;
    if (fitting_ || grow_ >= header->count())
        return;
    int others = 0;
    for (int i = 0; i < header->count(); ++i)
        if (i != grow_ && !header->isSectionHidden(i))
            others += header->sectionSize(i);
    const int width = std::max(least_, viewport_.width() - others);
    if (header->sectionSize(grow_) == width)
        return;
    fitting_ = true;
    header->resizeSection(grow_, width);
    fitting_ = false;
}

bool TColumnFit::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is compared, never the view asked: the view may be half destroyed.
    if (watched == &viewport_ && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

} // namespace qm
