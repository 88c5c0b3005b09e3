#include "app/runwindows/formrevision.h"

#include "app/common/captionface.h"
#include "app/common/columnfit.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "platform/answerscript.h"

#include <QHeaderView>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

namespace qm {

namespace {

constexpr int kChosenColumn = 3;

// A small drop-down arrow, highlighted while the pointer is over it.
void paintArrow(QPainter* p, const QRect& row, bool hot) {
    const QRect box(row.right() - 15, row.top() + (row.height() - 13) / 2, 13, 13);
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    p->setPen(QColor(46, 62, 102));
    p->setBrush(hot ? QColor(240, 214, 150) : QColor(214, 224, 240));
    p->drawRoundedRect(box, 2, 2);
    p->setBrush(QColor(46, 62, 102));
    p->setPen(Qt::NoPen);
    const QPointF c = box.center();
    p->drawPolygon(QPolygonF({QPointF(c.x() - 3.5, c.y() - 1.5), QPointF(c.x() + 3.5, c.y() - 1.5),
                              QPointF(c.x(), c.y() + 2.5)}));
    p->restore();
}

} // namespace

TRevisionList::TRevisionList(TRevisionWindowModel& model, QWidget* parent, QWidget* popupParent)
    : QTreeWidget(parent), model_(model) {
    setObjectName(QStringLiteral("RevisionList"));
    setRootIsDecorated(false);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    header()->setSectionsClickable(false);
    // The layout's 8-point face: a date and its arrow fit the date column.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    popup_ = new QListWidget(popupParent);
    popup_->setFont(small);
    popup_->setObjectName(QStringLiteral("RevisionPopup"));
    popup_->setStyleSheet(QStringLiteral("QListWidget { background: rgb(230, 250, 250); "
                                         "border: 0; }"));
    popup_->hide();
    connect(popup_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        popup_->hide();
        if (!item || popupRow_ < 0)
            return;
        model_.choose(static_cast<std::size_t>(popupRow_), popup_->row(item));
        refreshRow(popupRow_);
    });
}

void TRevisionList::Prepare() {
    clear();
    setColumnCount(4);
    setHeaderLabels({QString(), QStringLiteral("File"), QStringLiteral("Revision count"),
                     QStringLiteral("Revison date\\time")});
    header()->setMinimumSectionSize(3);
    setColumnWidth(0, 3);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
    setColumnWidth(1, FileColumnWidth);
    setColumnWidth(2, RevCountColumnWidth);
    // A date and the arrow beside it always fit.
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00 PM"));
    setColumnWidth(3, std::max(DateColumnWidth, dateWidth + kArrowZone + 8));
    // The path takes what the count and the date leave, so the date and its arrow stay in
    // view also beside a scroll bar; a long path loses its folders' middle, never its file
    // name, and shows whole as the tooltip.
    if (!fit_)
        fit_ = new TColumnFit(*this, 1, kLeastFileWidth);
    fit_->fit();
    model_.Prepare();
    for (std::size_t r = 0; r < model_.rows().size(); ++r) {
        const auto& row = model_.rows()[r];
        const QString path = QString::fromStdString(model_.fileText(r));
        auto* item = new QTreeWidgetItem(
            {QString::number(row.file), path, QString::number(row.count()), QString()});
        item->setToolTip(1, path);
        addTopLevelItem(item);
        refreshRow(static_cast<int>(r));
    }
}

void TRevisionList::refreshRow(int row) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(kChosenColumn,
                      QString::fromStdString(model_.chosenText(static_cast<std::size_t>(row))));
}

void TRevisionList::SelectOldest() {
    model_.SelectOldest();
    for (int r = 0; r < topLevelItemCount(); ++r)
        refreshRow(r);
}

void TRevisionList::SelectNewest() {
    model_.SelectNewest();
    for (int r = 0; r < topLevelItemCount(); ++r)
        refreshRow(r);
}

void TRevisionList::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QTreeWidget::drawRow(painter, option, index);
    QRect row = option.rect;
    row.setRight(std::min(row.right(), header()->sectionViewportPosition(kChosenColumn) +
                                           columnWidth(kChosenColumn) - 1));
    paintArrow(painter, row, index.row() == hotRow_);
}

bool TRevisionList::inArrowZone(const QPoint& at, int& row) const {
    const QModelIndex index = indexAt(QPoint(2, at.y()));
    if (!index.isValid())
        return false;
    row = index.row();
    const int right = header()->sectionViewportPosition(kChosenColumn) + columnWidth(kChosenColumn);
    return at.x() > right - kArrowZone && at.x() < right;
}

void TRevisionList::mouseMoveEvent(QMouseEvent* event) {
    int row = -1;
    const bool hot = inArrowZone(event->position().toPoint(), row);
    setCursor(hot ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!hot)
        popup_->hide();
    hotRow_ = hot ? row : -1;
    viewport()->update();
    QTreeWidget::mouseMoveEvent(event);
}

void TRevisionList::mouseReleaseEvent(QMouseEvent* event) {
    int row = -1;
    if (inArrowZone(event->position().toPoint(), row))
        openPopup(row);
    QTreeWidget::mouseReleaseEvent(event);
}

void TRevisionList::openPopup(int row) {
    if (row < 0 || row >= topLevelItemCount())
        return;
    popup_->clear();
    for (const std::string& date : model_.dateTexts(static_cast<std::size_t>(row)))
        popup_->addItem(QString::fromStdString(date));
    popupRow_ = row;
    const QRect rect = visualItemRect(topLevelItem(row));
    const QPoint origin = viewport()->mapTo(popup_->parentWidget(), QPoint(0, 0));
    const int left = origin.x() + columnWidth(0) + columnWidth(1) + columnWidth(2);
    popup_->setGeometry(left, origin.y() + rect.bottom() - 10 + 12, columnWidth(kChosenColumn),
                        14 * popup_->count() + 6);
    popup_->show();
    popup_->raise();
}

TFormRevision::TFormRevision(QWidget* owner, TRevisionFileList& list,
                             std::function<void()> bringUpMain)
    : TSkinnedDialog(owner, QSize(478, 497), CornerOutline{1, 0, 0, 0, 20}, true), model_(list) {
    setObjectName(QStringLiteral("FormRevision"));
    QWidget* body = panel();
    list_ = new TRevisionList(model_, body, body);
    list_->setGeometry(11, 12, 441, 389);
    list_->Prepare();
    struct Button {
        const char* name;
        const char* caption;
        const char* hint;
    };
    const Button buttons[] = {{"imr_OK", "OK", "Restore files"},
                              {"imr_Cancel", "Cancel", "Cancel Restore"},
                              {"imr_Oldest", "Oldest", "Set oldest versions for all files"},
                              {"ImageRegion1", "Newest", "Set newest versions for all files"}};
    int left = 11;
    for (const Button& b : buttons) {
        auto* button = makeCaptionButton(body, b.name, {}, QString::fromLatin1(b.caption),
                                         QSize(95, 25), QString::fromLatin1(b.hint));
        button->move(left, 420);
        left += 115;
        const std::string name = b.name;
        connect(button, &TImageRegion::clicked, this, [this, name] {
            if (name == "imr_OK") {
                model_.apply();
                done(1);
            } else if (name == "imr_Cancel") {
                done(2);
            } else if (name == "imr_Oldest") {
                list_->SelectOldest();
            } else {
                list_->SelectNewest();
            }
        });
    }
    QTimer::singleShot(0, this, [this, bringUpMain = std::move(bringUpMain)] {
        if (bringUpMain)
            bringUpMain();
        raise();
        activateWindow();
    });
}

int TFormRevision::choose(TRevisionFileList& list, const std::function<void()>& bringUpMain) {
    TRevisionWindowModel scriptModel(list);
    scriptModel.Prepare();
    std::string question = "Select file versions:";
    for (std::size_t r = 0; r < scriptModel.rows().size(); ++r)
        question += "\n" + scriptModel.fileText(r);
    if (auto scripted = AnswerScript::instance().answerText(question)) {
        const std::string& answer = scripted->text;
        if (!scripted->answered || answer == "cancel")
            return 2;
        if (answer == "oldest")
            scriptModel.SelectOldest();
        else if (answer == "newest")
            scriptModel.SelectNewest();
        std::size_t row = 0;
        for (std::size_t at = 0; answer != "oldest" && answer != "newest" && at < answer.size();) {
            std::size_t end = answer.find(',', at);
            if (end == std::string::npos)
                end = answer.size();
            scriptModel.choose(row++, std::atoi(answer.substr(at, end - at).c_str()));
            at = end + 1;
        }
        scriptModel.apply();
        return 1;
    }
    TFormRevision window(nullptr, list, bringUpMain);
    return window.exec() == 1 ? 1 : 2;
}

} // namespace qm
