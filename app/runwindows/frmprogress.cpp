#include "app/runwindows/frmprogress.h"

#include "controls/skin.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <new>

namespace qm {

namespace {

constexpr int kTableLeft = 95;
constexpr int kTableTop = 36;
constexpr int kRowHeight = 18;
constexpr int kCaptionWidth = 80;
constexpr int kCountWidth = 89;
constexpr int kSizeWidth = 100;

QLabel* picture(QWidget* parent, const char* name, const QPixmap& pixmap, QRect place) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(pixmap);
    label->setScaledContents(true);
    label->setGeometry(place);
    return label;
}

// The pictures of the window, drawn in the skin's colours.
QPixmap arrowPicture(bool done) {
    QPixmap pixmap(65, 65);
    pixmap.fill(skinPanelColor());
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(46, 62, 102), 2));
    p.setBrush(done ? QColor(240, 214, 150) : QColor(214, 224, 240));
    p.drawEllipse(QRectF(4, 4, 57, 57));
    p.setPen(QPen(QColor(46, 62, 102), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (done) {
        p.drawPolyline(QPolygonF({QPointF(18, 33), QPointF(29, 44), QPointF(47, 22)}));
    } else {
        p.drawLine(QPointF(16, 32.5), QPointF(46, 32.5));
        p.drawPolyline(QPolygonF({QPointF(36, 22), QPointF(47, 32.5), QPointF(36, 43)}));
    }
    return pixmap;
}

QPixmap barPicture(QSize size, bool fill) {
    QPixmap pixmap(size);
    QPainter p(&pixmap);
    if (fill) {
        QLinearGradient g(0, 0, 0, size.height());
        g.setColorAt(0, QColor(250, 236, 196));
        g.setColorAt(1, QColor(240, 190, 90));
        p.fillRect(pixmap.rect(), g);
    } else {
        p.fillRect(pixmap.rect(), QColor(58, 76, 122));
        p.setPen(QColor(214, 224, 240));
        p.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    }
    return pixmap;
}

} // namespace

TFrmProgress::TFrmProgress(int operation, std::unique_ptr<TJobOperation> job, Setup setup)
    : TRunWindow(QSize(396, 220), CornerOutline{1, 0, 0, 0, 20}, true, std::move(setup.run)),
      model_(operation, setup.services.message), job_(std::move(job)),
      services_(std::move(setup.services)) {
    setObjectName(QStringLiteral("FrmProgress"));
    build();
    model_.setHooks({[this] { refresh(); },
                     [] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
                     [this] { Close(); }});
    // Created: the run is registered and the tray locked until the window closes.
    beginRun(model_);
    // Only once the whole operation has returned: an operation of several steps (both
    // halves of a two-way synchronisation) keeps its window between them.
    connect(timer_, &QTimer::timeout, this, [this] {
        if (model_.JobRunning == 0 && !operating_)
            Close();
    });
    refresh();
}

TFrmProgress::~TFrmProgress() {
    model_.setHooks({});
}

void TFrmProgress::build() {
    QWidget* body = panel();
    title_ = makeSkinLabel(body, QStringLiteral("img_Bckp"),
                           QString::fromLatin1(job_ ? job_->title() : ""));
    QFont big = title_->font();
    big.setPointSize(big.pointSize() + 6);
    title_->setFont(big);
    title_->setGeometry(13, 2, 240, 30);
    addDragHandle(title_);
    arrow_ = picture(body, "img_arrow", arrowPicture(false), QRect(14, 38, 65, 65));
    doneImage_ = new QWidget(body);
    doneImage_->setObjectName(QStringLiteral("PnlBackupImage"));
    doneImage_->setGeometry(14, 38, 65, 65);
    picture(doneImage_, "Image8", arrowPicture(true), QRect(0, 0, 65, 65));
    doneImage_->hide();

    const int x0 = kTableLeft, x1 = x0 + kCaptionWidth, x2 = x1 + kCountWidth;
    cell(body, "Label2", {}, QRect(x0, kTableTop, kCaptionWidth, kRowHeight));
    fileHeader_ = cell(body, "lbl_Files", QStringLiteral("Files"),
                       QRect(x1, kTableTop, kCountWidth, kRowHeight));
    sizeHeader_ = cell(body, "lbl_Size", QStringLiteral("Size"),
                       QRect(x2, kTableTop, kSizeWidth, kRowHeight));
    struct Row {
        const char* caption;
        const char* captionName;
        const char* countName;
        const char* sizeName;
    };
    const Row rows[] = {{"Total", "Label5", "lbl_TotalCount", "lbl_TotalSize"},
                        {"Finished", "Label6", "lbl_FinishedCount", "lbl_size_fn"},
                        {"Remaining", "Label11", "lbl_RemCount", "lbl_size_rem"}};
    for (int r = 0; r < 3; ++r) {
        const int y = kTableTop + (r + 1) * kRowHeight;
        cell(body, rows[r].captionName, QString::fromLatin1(rows[r].caption),
             QRect(x0, y, kCaptionWidth, kRowHeight));
        cells_[r][0] = cell(body, rows[r].countName, QStringLiteral("0"),
                            QRect(x1, y, kCountWidth, kRowHeight));
        cells_[r][1] =
            cell(body, rows[r].sizeName, QStringLiteral("0"), QRect(x2, y, kSizeWidth, kRowHeight));
    }

    picture(body, "Image6", barPicture({369, 15}, false), QRect(2, 114, 369, 15));
    picture(body, "Image7", barPicture({369, 15}, false), QRect(2, 133, 369, 15));
    fill1_ = picture(body, "img_progress1", barPicture({365, 9}, true), QRect(4, 117, 0, 9));
    fill2_ = picture(body, "img_progress2", barPicture({365, 9}, true), QRect(4, 136, 0, 9));

    QLabel* current =
        makeSkinLabel(body, QStringLiteral("Label1"), QStringLiteral("Current operation:"));
    current->setGeometry(4, 152, 120, 16);
    operation_ = makeSkinLabel(body, QStringLiteral("lbl_operation"));
    operation_->setGeometry(126, 152, 250, 16);

    buttons_ = addButtons(
        body, {148, 171}, {90, 170}, [this] { ImageRegion2Click(); },
        [this] { Imr_CancelClick(); });
    if (QWidget* top = findChild<QWidget*>(QStringLiteral("Image1")))
        addDragHandle(top);
}

void TFrmProgress::refresh() {
    const TJobRunnerModel::Texts& t = model_.texts();
    const std::string* values[3][2] = {{&t.totalCount, &t.totalSize},
                                       {&t.finishedCount, &t.finishedSize},
                                       {&t.remainingCount, &t.remainingSize}};
    const bool sizes = model_.sizesShown();
    // Without sizes (a delete) the count column takes the whole table.
    const int countWidth = sizes ? kCountWidth : kCountWidth + kSizeWidth + 1;
    fileHeader_->resize(countWidth, kRowHeight);
    sizeHeader_->setVisible(sizes);
    for (int r = 0; r < 3; ++r) {
        cells_[r][0]->setText(QString::fromStdString(*values[r][0]));
        cells_[r][0]->resize(countWidth, kRowHeight);
        cells_[r][1]->setText(QString::fromStdString(*values[r][1]));
        cells_[r][1]->setVisible(sizes);
    }
    fill1_->resize(model_.bar1(), 9);
    fill2_->resize(model_.bar2(), 9);
    operation_->setText(QString::fromStdString(t.operation));
    doneImage_->setVisible(model_.doneImageShown());
    buttons_->setVisible(model_.buttonsShown());
    if (isVisible())
        repaint();
}

TJobOutcome TFrmProgress::execute() {
    QEventLoop loop;
    loop_ = &loop;
    timer_->start();
    show();
    if (!closed_)
        loop.exec();
    loop_ = nullptr;
    // Also a cancel before the engine ran (in a question, or during the collection).
    outcome_.cancelled = outcome_.cancelled || model_.CancelRequested;
    // The operation has returned: only now may a deferred close request run.
    endRun();
    return outcome_;
}

void TFrmProgress::showEvent(QShowEvent* event) {
    TRunWindow::showEvent(event);
    if (!model_.Activated)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TFrmProgress::FormActivate() {
    if (model_.Activated || closed_)
        return;
    model_.Activated = true;
    // An operation this program does not have runs nothing.
    if (job_) {
        TJobContext context{model_, services_};
        operating_ = true;
        try {
            outcome_ = job_->Run(context);
        } catch (const std::bad_alloc&) {
            // Thrown through the event loop it would end the program: the run ends here,
            // as a cancelled one that may have changed the media (a sequence stops, the
            // pages read the catalogue again).
            outcome_ = TJobOutcome{};
            outcome_.ran = true;
            outcome_.cancelled = true;
            outcome_.filesDeleted = true;
            if (services_.message)
                services_.message(kMsgOk, "The run stopped: there was not enough memory to "
                                          "go on. Close other programs and start it again.");
        }
        operating_ = false;
    }
    // However the operation returned (done, refused, cancelled), the run is over: the
    // only place that says so, and Timer1 closes the window.
    model_.JobRunning = 0;
}

void TFrmProgress::Close() {
    if (closed_)
        return;
    closed_ = true;
    timer_->stop();
    model_.Activated = false;
    hide();
    if (loop_)
        loop_->quit();
}

} // namespace qm
