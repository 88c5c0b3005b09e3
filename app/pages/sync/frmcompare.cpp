#include "app/pages/sync/frmcompare.h"

#include "app/trees/eventpump.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

namespace qm {

namespace {

// Repaints of the count and event processing during a long walk: often enough to look
// live and answer Cancel, seldom enough to cost nothing beside the file reads.
constexpr int kPaintMs = 40;
constexpr int kEventsMs = 10;

} // namespace

TFrmCompare::TFrmCompare(TQMRestoreTreeModel& tree, TSyncListModel& list, Setup setup)
    : TRunWindow(QSize(406, 156), CornerOutline{1, 0, 0, 0, 15}, false, std::move(setup.run)),
      model_(tree, list, setup.message) {
    setObjectName(QStringLiteral("FrmCompare"));
    build();
    model_.setHooks({[this] { refresh(); }, makeEventPump(kEventsMs), [this] { Close(); }});
    beginRun(model_);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (!operating_)
            model_.Timer1Timer();
    });
    refresh();
}

TFrmCompare::~TFrmCompare() {
    model_.setHooks({});
}

void TFrmCompare::build() {
    QWidget* body = panel();
    QLabel* title = makeSkinLabel(body, QStringLiteral("Image9"), QStringLiteral("Compare"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    title->setFont(big);
    title->setGeometry(13, 4, 240, 30);
    addDragHandle(title);
    addDragHandle(body);

    QLabel* current =
        makeSkinLabel(body, QStringLiteral("Label1"), QStringLiteral("Current operation:"));
    current->setGeometry(12, 42, 122, 16);
    addDragHandle(current);
    operation_ = makeSkinLabel(body, QStringLiteral("lbl_operation"));
    operation_->setGeometry(136, 42, 262, 16);
    addDragHandle(operation_);

    // The count table: "Files" over the count, "Total" beside it.
    auto* counts = new QWidget(body);
    counts->setObjectName(QStringLiteral("Pnl_Count"));
    counts->setGeometry(113, 66, 180, 38);
    cell(counts, "Label2", {}, QRect(0, 0, 90, 19));
    cell(counts, "lbl_Files", QStringLiteral("Files"), QRect(89, 0, 91, 19));
    cell(counts, "Label5", QStringLiteral("Total"), QRect(0, 18, 90, 19));
    count_ = cell(counts, "lbl_TotalCount", QStringLiteral("0"), QRect(89, 18, 91, 19));

    buttons_ = addButtons(
        body, {161, 119}, {103, 118}, [this] { model_.ImageRegion2Click(); },
        [this] { model_.Imr_CancelClick(); });
}

void TFrmCompare::refresh() {
    operation_->setText(QString::fromStdString(model_.operationText()));
    count_->setText(QString::number(model_.count()));
    buttons_->setVisible(model_.buttonsShown());
    if (!isVisible() || (sincePaint_.isValid() && sincePaint_.elapsed() < kPaintMs))
        return;
    sincePaint_.start();
    repaint();
}

void TFrmCompare::execute() {
    QEventLoop loop;
    loop_ = &loop;
    timer_->start();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    if (!closed_)
        loop.exec();
    loop_ = nullptr;
    // The comparison has returned: only now may a deferred close request run.
    endRun();
}

void TFrmCompare::showEvent(QShowEvent* event) {
    TRunWindow::showEvent(event);
    if (!model_.started())
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TFrmCompare::FormActivate() {
    if (model_.started() || closed_)
        return;
    operating_ = true;
    model_.FormActivate();
    operating_ = false;
    refresh();
    if (closed_ && loop_)
        loop_->quit();
}

void TFrmCompare::Close() {
    if (closed_)
        return;
    closed_ = true;
    timer_->stop();
    hide();
    // A comparison still walking ends at its next file; the loop ends after it.
    if (loop_ && !operating_)
        loop_->quit();
}

} // namespace qm
