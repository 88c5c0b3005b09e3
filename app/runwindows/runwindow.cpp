#include "app/runwindows/runwindow.h"

#include "app/common/captionface.h"
#include "controls/imageregion.h"
#include "controls/windowdrag.h"

#include <QLabel>
#include <QTimer>
#include <QWindow>

namespace qm {

TRunWindow::TRunWindow(QSize clientSize, CornerOutline outline, bool framed, TRunWindowHooks hooks)
    : TSkinnedDialog(nullptr, clientSize, outline, framed), hooks_(std::move(hooks)) {
    setWindowModality(Qt::ApplicationModal);
    drag_ = new TWindowDrag(*this);
    if (hooks_.mainWindow)
        hooks_.mainWindow->installEventFilter(this);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(100);
}

TRunWindow::~TRunWindow() {
    if (hooks_.mainWindow)
        hooks_.mainWindow->removeEventFilter(this);
}

void TRunWindow::beginRun(TRunControl& run) {
    if (hooks_.beginRun)
        run_ = hooks_.beginRun(run);
}

void TRunWindow::hideProgram() {
    hiddenByUser_ = true;
    hide();
    if (hooks_.hideProgram)
        hooks_.hideProgram();
}

void TRunWindow::addDragHandle(QWidget* handle) {
    drag_->addHandle(handle);
}

QWidget* TRunWindow::addButtons(QWidget* body, QPoint closeAt, QPoint panelAt,
                                std::function<void()> close, std::function<void()> cancel) {
    auto* closeButton = makeCaptionButton(body, "ImageRegion2", {}, tr("Close"), QSize(84, 25), {});
    closeButton->move(closeAt);
    connect(closeButton, &TImageRegion::clicked, this, std::move(close));
    auto* panel = new QWidget(body);
    panel->setObjectName(QStringLiteral("Pnl_But"));
    panel->setGeometry(QRect(panelAt, QSize(200, 27)));
    panel->setAutoFillBackground(true);
    auto* hide = makeCaptionButton(panel, "ImageRegion1", {}, tr("Hide"), QSize(84, 25), {});
    hide->move(6, 1);
    auto* cancelButton =
        makeCaptionButton(panel, "Imr_Cancel", {}, tr("Cancel"), QSize(84, 25), {});
    cancelButton->move(108, 1);
    connect(hide, &TImageRegion::clicked, this, [this] { hideProgram(); });
    connect(cancelButton, &TImageRegion::clicked, this, std::move(cancel));
    return panel;
}

QLabel* TRunWindow::cell(QWidget* parent, const char* name, const QString& text, QRect place) {
    QLabel* label = makeSkinLabel(parent, QString::fromLatin1(name), text);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("border: 1px solid white; color: white;"));
    label->setGeometry(place);
    return label;
}

void TRunWindow::showEvent(QShowEvent* event) {
    TSkinnedDialog::showEvent(event);
    // The main window comes up first and this window then stands in front of it (a
    // window manager keeps a transient window over its owner): the other order buries
    // the counts, Hide and Cancel under the window it brought up.
    if (hooks_.showMainWindow && !hiddenByUser_)
        hooks_.showMainWindow();
    if (hooks_.mainWindow && windowHandle() && hooks_.mainWindow->windowHandle())
        windowHandle()->setTransientParent(hooks_.mainWindow->windowHandle());
    raise();
    activateWindow();
}

bool TRunWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != hooks_.mainWindow)
        return TSkinnedDialog::eventFilter(watched, event);
    // The main window came back (shown again, or restored where Hide minimised it for
    // want of a tray): this window comes along.
    const bool back = event->type() == QEvent::Show ||
                      (event->type() == QEvent::WindowStateChange &&
                       !hooks_.mainWindow->isMinimized() && hooks_.mainWindow->isVisible());
    if (back && hiddenByUser_ && !closed_) {
        hiddenByUser_ = false;
        show();
    }
    return false;
}

} // namespace qm
