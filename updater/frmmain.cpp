#include "updater/frmmain.h"

#include "controls/imageregion.h"
#include "controls/messageform.h"
#include "controls/screenplace.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "controls/windowdrag.h"
#include "controls/windowoutline.h"
#include "platform/productkeys.h"
#include "platform/registry.h"
#include "platform/shellexecute.h"
#include "platform/windowtitle.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>

static void initUpdaterResources() {
    Q_INIT_RESOURCE(updater);
}

namespace qm {

namespace {

constexpr QSize kButtonSize(95, 25);
constexpr QSize kWideButtonSize(110, 25);
constexpr QSize kFrameSize(250, 17);
constexpr int kBarInset = 4;
// The window's inner panel colour, 12752257 as the layouts store it.
const QColor kInnerPanel(0x81, 0x95, 0xC2);

using Op = OutlineStep::Op;
using Shape = OutlineStep::Shape;

constexpr OutlineStep kOutline[] = {
    {Op::Diff, Shape::Ellipse, -105, 187, 46, 345}, {Op::Diff, Shape::Rect, 0, 179, 20, 199},
    {Op::Or, Shape::Rect, 7, 179, 30, 199},         {Op::Or, Shape::Rect, 0, 171, 30, 191},
    {Op::Or, Shape::Ellipse, 0, 179, 20, 199},      {Op::Diff, Shape::Rect, 37, 219, 57, 239},
    {Op::Or, Shape::Ellipse, 37, 219, 57, 239},     {Op::Or, Shape::Rect, 37, 199, 57, 231},
    {Op::Or, Shape::Rect, 47, 199, 67, 238},        {Op::Diff, Shape::Ellipse, 354, 188, 511, 347},
    {Op::Diff, Shape::Rect, 380, 179, 400, 199},    {Op::Or, Shape::Ellipse, 380, 179, 399, 201},
    {Op::Or, Shape::Rect, 380, 170, 398, 190},      {Op::Or, Shape::Rect, 370, 180, 391, 199},
    {Op::Diff, Shape::Rect, 344, 219, 363, 239},    {Op::Or, Shape::Ellipse, 344, 219, 364, 239},
    {Op::Or, Shape::Rect, 327, 219, 355, 238},      {Op::Or, Shape::Rect, 347, 200, 363, 231},
};

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect at, bool wrap = false) {
    QLabel* l = makeSkinLabel(parent, QString::fromLatin1(name), text);
    l->setTextFormat(Qt::PlainText); // server texts are never markup
    l->setWordWrap(wrap);
    l->setGeometry(at);
    return l;
}

QLabel* picture(QWidget* parent, const char* name, const char* skin, QRect at) {
    auto* p = new QLabel(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setPixmap(skinPicture(QString::fromLatin1(skin), at.size()));
    p->setScaledContents(true);
    p->setGeometry(at);
    return p;
}

QWidget* page(QStackedWidget* pages, const char* name) {
    auto* p = new QWidget(pages);
    p->setObjectName(QString::fromLatin1(name));
    pages->addWidget(p);
    return p;
}

} // namespace

QRegion TFrmMain::outline(int width, int height) {
    return combineOutline(roundRectRegion(0, 0, width - 3, height, 33, 33), kOutline);
}

TFrmMain::TFrmMain(TUpdaterSetup setup) {
    initUpdaterResources();
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Quillmoor Updater"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(kClientWidth, kClientHeight);
    CentreOnScreen(*this);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kInnerPanel);
    setPalette(palette);
    setAutoFillBackground(true);
    // Pressing on the background picture drags the window.
    (new TWindowDrag(*this))->addHandle(picture(this, "Image1", "updater_back", rect()));
    buildPages();
    buildButtons();
    buildTray();

    UpdaterMessageFn message = setup.message;
    if (!message)
        message = [](int kind, const std::string& text) {
            return ShowMessageForm(kind, text, TMessageStyle::updaterProgram());
        };
    model_ = std::make_unique<TUpdaterModel>(std::move(message), makeActions(setup),
                                             std::move(setup.config));
    model_->onChanged = [this] { paintView(model_->view()); };
    created_ = model_->FormCreate(setup.arguments);

    downloadTimer_ = new QTimer(this);
    downloadTimer_->setObjectName(QStringLiteral("tmr_Download"));
    downloadTimer_->setSingleShot(true);
    downloadTimer_->setInterval(2000);
    connect(downloadTimer_, &QTimer::timeout, this, [this] { model_->tmr_DownloadTimer(); });
    updateTimer_ = new QTimer(this);
    updateTimer_->setObjectName(QStringLiteral("tmr_Update"));
    updateTimer_->setInterval(1000);
    connect(updateTimer_, &QTimer::timeout, this, [this] { model_->tmr_UpdateTimer(); });
    paintView(model_->view());
}

TFrmMain::~TFrmMain() {
    if (tray_)
        tray_->hide();
}

TUpdaterModel::Actions TFrmMain::makeActions(const TUpdaterSetup& setup) {
    TUpdaterModel::Actions a;
    a.post = [this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    };
    a.showWindow = [this] {
        show();
        raise();
        activateWindow();
    };
    std::function<bool()> trayAvailable =
        setup.trayAvailable ? setup.trayAvailable : &QSystemTrayIcon::isSystemTrayAvailable;
    a.hideWindow = [this, trayAvailable] {
        if (trayAvailable())
            hide();
        else
            showMinimized();
    };
    a.windowVisible = [this] { return isVisible(); };
    a.closeWindow = [this] { close(); };
    a.SetTrayIcon = [this](int frame) { SetTrayIcon(frame); };
    a.removeTrayIcon = [this] { tray_->hide(); };
    a.IsMainProgramRunning =
        setup.isMainProgramRunning
            ? setup.isMainProgramRunning
            : std::function<bool()>([] { return FindWindowByTitle(kMainWindowTitle); });
    a.IAmAdmin = setup.isAdmin ? setup.isAdmin : std::function<bool()>([] { return IsAdmin(); });
    a.startProgram = setup.startProgram ? setup.startProgram
                                        : [](const std::string& path) { ShellExecute(path); };
    a.busyCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    return a;
}

void TFrmMain::buildPages() {
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("pgc_Main"));
    pages_->setGeometry(18, 48, 366, 146);

    QWidget* request = page(pages_, "TS_Request");
    label(request, "lbl_Request",
          QStringLiteral("Please wait while Quillmoor Updater sends request to the Brennick Update "
                         "Server... Internet connection required."),
          {8, 30, 350, 60}, true)
        ->setAlignment(Qt::AlignCenter);

    QWidget* offer = page(pages_, "TS_Description");
    label(offer, "lbl_Offer",
          QStringLiteral("There is a new Quillmoor release on the Brennick Update Server. Do you "
                         "want to download this release?"),
          {8, 0, 350, 32}, true);
    label(offer, "lbl_DescriptionTitle", QStringLiteral("Release Description:"), {8, 36, 350, 16});
    auto* scroll = new QScrollArea(offer);
    scroll->setObjectName(QStringLiteral("scb_Description"));
    scroll->setGeometry(8, 54, 340, 66);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette dark = scroll->palette();
    dark.setColor(QPalette::Window, skinPanelColor().darker(125));
    scroll->setPalette(dark);
    scroll->setAutoFillBackground(true);
    description_ = makeSkinLabel(nullptr, QStringLiteral("lbl_Descrption"));
    description_->setTextFormat(Qt::PlainText);
    description_->setWordWrap(true);
    description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description_->setContentsMargins(4, 2, 4, 2);
    description_->setAutoFillBackground(true);
    description_->setPalette(dark);
    scroll->setWidget(description_);
    usage_ = new QCheckBox(QStringLiteral("Don't use Updater anymore"), offer);
    usage_->setObjectName(QStringLiteral("chb_Usage"));
    usage_->setFont(skinLabelFont());
    setWhiteCaption(usage_);
    usage_->setGeometry(8, 124, 300, 20);
    connect(usage_, &QCheckBox::toggled, this, [this](bool on) { model_->setUsageTicked(on); });

    QWidget* download = page(pages_, "TS_Download");
    label(download, "lbl_Progress", QStringLiteral("Download Progress:"), {8, 2, 200, 16});
    label(download, "lbl_TotalTitle", QStringLiteral("Total Files:"), {8, 24, 80, 16});
    totalFiles_ = label(download, "lbl_TotalFiles", {}, {92, 24, 60, 16});
    label(download, "lbl_ProcessedTitle", QStringLiteral("Processed:"), {170, 24, 80, 16});
    processedFiles_ = label(download, "lbl_ProcessedFiles", {}, {254, 24, 60, 16});
    file_ = label(download, "lbl_File", {}, {8, 46, 350, 16});
    label(download, "lbl_CurrentTitle", QStringLiteral("Current File:"), {8, 74, 84, 16});
    currentFrame_ =
        picture(download, "img_Cur_Main", "updater_bar_frame", {QPoint(96, 73), kFrameSize});
    currentBar_ = picture(download, "img_Prg_Cur", "updater_bar",
                          {96 + kBarInset, 73 + kBarInset, 0, kFrameSize.height() - 2 * kBarInset});
    label(download, "lbl_TotalBarTitle", QStringLiteral("Total:"), {8, 102, 84, 16});
    totalFrame_ =
        picture(download, "img_Prg_Total_MAin", "updater_bar_frame", {QPoint(96, 101), kFrameSize});
    totalBar_ = picture(download, "img_Prg_Total", "updater_bar",
                        {96 + kBarInset, 101 + kBarInset, 0, kFrameSize.height() - 2 * kBarInset});
}

void TFrmMain::buildButtons() {
    buttons_ = new QStackedWidget(this);
    buttons_->setObjectName(QStringLiteral("pgc_Buttons"));
    buttons_->setGeometry(67, 204, 268, 27);
    QWidget* request = page(buttons_, "TS_Request_Button");
    TImageRegion* stop = makeSkinButton(request, QStringLiteral("ImageRegion1"),
                                        QStringLiteral("updater_stop"), kButtonSize, {86, 1});
    QWidget* offer = page(buttons_, "TS_1");
    TImageRegion* yes = makeSkinButton(offer, QStringLiteral("imr_Yes"),
                                       QStringLiteral("updater_yes"), kButtonSize, {22, 1});
    TImageRegion* no = makeSkinButton(offer, QStringLiteral("imr_No"), QStringLiteral("updater_no"),
                                      kButtonSize, {151, 1});
    QWidget* download = page(buttons_, "TS_2");
    TImageRegion* background =
        makeSkinButton(download, QStringLiteral("imr_Background"),
                       QStringLiteral("updater_background"), kWideButtonSize, {14, 1});
    TImageRegion* stop2 = makeSkinButton(download, QStringLiteral("imr_Stop"),
                                         QStringLiteral("updater_stop"), kButtonSize, {159, 1});
    connect(stop, &TImageRegion::clicked, this, [this] { model_->imr_StopClick(); });
    connect(stop2, &TImageRegion::clicked, this, [this] { model_->imr_StopClick(); });
    connect(yes, &TImageRegion::clicked, this, [this] { model_->imr_YesClick(); });
    connect(no, &TImageRegion::clicked, this, [this] { model_->imr_NoClick(); });
    connect(background, &TImageRegion::clicked, this, [this] { model_->imr_BackgroundClick(); });
}

void TFrmMain::buildTray() {
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->setObjectName(QStringLiteral("ppm_Main"));
    QAction* show = trayMenu_->addAction(QStringLiteral("Show Updater"));
    show->setObjectName(QStringLiteral("mnu_ShowUpdater"));
    trayMenu_->addSeparator();
    QAction* cancel = trayMenu_->addAction(QStringLiteral("Cancel Update"));
    cancel->setObjectName(QStringLiteral("mnu_CancelUpdate"));
    connect(show, &QAction::triggered, this, [this] { model_->mnu_ShowUpdaterClick(); });
    connect(cancel, &QAction::triggered, this, [this] { model_->mnu_CancelUpdateClick(); });
    tray_ = new QSystemTrayIcon(this);
    tray_->setObjectName(QStringLiteral("TrayIcon"));
    tray_->setToolTip(QStringLiteral("Quillmoor Update"));
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::DoubleClick)
                    model_->mnu_ShowUpdaterClick();
                else if (why == QSystemTrayIcon::Trigger)
                    trayMenu_->popup(QCursor::pos());
            });
}

void TFrmMain::SetTrayIcon(int frame) {
    const QIcon icon(
        skinPicture(QStringLiteral("updater_tray_%1").arg(std::clamp(frame, 0, 4)), {32, 32}));
    tray_->setIcon(icon);
    if (frame < 0) {
        tray_->show();
        return;
    }
    setWindowIcon(icon);
}

void TFrmMain::start() {
    if (!created_)
        return;
    if (!model_->silent())
        show();
    downloadTimer_->start();
    updateTimer_->start();
}

void TFrmMain::paintView(const TUpdaterModel::View& view) {
    pages_->setCurrentIndex(view.mainPage);
    buttons_->setCurrentIndex(view.buttonsPage);
    description_->setText(QString::fromStdString(view.description));
    if (usage_->isChecked() != view.usageTicked)
        usage_->setChecked(view.usageTicked);
    totalFiles_->setText(QString::number(view.total));
    processedFiles_->setText(QString::number(std::clamp(view.index, 0, view.total)));
    file_->setText(QString::fromStdString(view.fileLabel));
    currentBar_->resize(TUpdaterModel::currentBarWidth(view.currentTotal, view.currentReceived,
                                                       currentFrame_->width()),
                        currentBar_->height());
    totalBar_->resize(TUpdaterModel::totalBarWidth(view.index, view.total, totalFrame_->width()),
                      totalBar_->height());
}

void TFrmMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    setMask(outline(width(), height()));
    model_->FormShow();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    if (!model_->FormClose()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

} // namespace qm
