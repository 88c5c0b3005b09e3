#include "app/common/columnfit.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTreeView>
#include <algorithm>

namespace qm {

namespace {

// A name or path that does not fit loses its middle, so its start and its end (the file
// name, the extension) stay in view.
class MiddleElide : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
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
    view.setItemDelegateForColumn(grow_, new MiddleElide(this));
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
