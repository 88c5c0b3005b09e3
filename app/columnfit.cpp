#include "app/columnfit.h"

#include <QEvent>
#include <QHeaderView>
#include <QStyledItemDelegate>
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
    : QObject(&view), view_(view), grow_(growColumn), least_(leastWidth) {
    view_.setItemDelegateForColumn(grow_, new MiddleElide(this));
    view_.header()->setStretchLastSection(false);
    view_.viewport()->installEventFilter(this);
    connect(view_.header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section != grow_)
            fit();
    });
    fit();
}

void TColumnFit::fit() {
    QHeaderView* header = view_.header();
    if (fitting_ || grow_ >= header->count())
        return;
    int others = 0;
    for (int i = 0; i < header->count(); ++i)
        if (i != grow_ && !header->isSectionHidden(i))
            others += header->sectionSize(i);
    const int width = std::max(least_, view_.viewport()->width() - others);
    if (header->sectionSize(grow_) == width)
        return;
    fitting_ = true;
    header->resizeSection(grow_, width);
    fitting_ = false;
}

bool TColumnFit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_.viewport() && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

} // namespace qm
