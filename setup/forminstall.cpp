#include "setup/forminstall.h"

#include "controls/imageregion.h"
#include "controls/messageform.h"
#include "controls/skin.h"
#include "controls/skinbutton.h"
#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/realuser.h"
#include "platform/registry.h"
#include "setup/formselectfolder.h"
#include "setup/setupwindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

namespace qm {

namespace {

constexpr const char* kWhiteText = "color: white; font-weight: bold;";

int setupMessage(int kind, const std::string& text) {
    return ShowMessageForm(kind, text, TMessageStyle::setupProgram());
}

} // namespace

TFormInstall::TFormInstall(std::string mediumFolder, std::string setupProgram, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), medium_(std::move(mediumFolder)),
      setupProgram_(std::move(setupProgram)),
      model_({setupMessage, [] { return IsAdmin(); },
              [this](const TInstallOptions& chosen) { return runInstall(chosen); },
              [this] { syncFromModel(); }}) {
    dressSetupWindow(*this, "FormInstall", {629, 598}, "Image4", "setup_background");

    notebook_ = new QStackedWidget(this);
    notebook_->setObjectName(QStringLiteral("Notebook"));
    notebook_->setGeometry(20, 100, 589, 432);
    notebook_->setAutoFillBackground(true);
    QPalette palette = notebook_->palette();
    palette.setColor(QPalette::Window, skinPanelColor());
    notebook_->setPalette(palette);
    buildPages(notebook_);

    back_ = makeSkinButton(this, QStringLiteral("imr_Back"), QStringLiteral("button_back"),
                           {84, 25}, {331, 553});
    next_ = makeSkinButton(this, QStringLiteral("ImageRegion2"), QStringLiteral("button_next"),
                           {84, 25}, {425, 553});
    TImageRegion* exit = makeSkinButton(this, QStringLiteral("ImageRegion3"),
                                        QStringLiteral("button_exit"), {84, 25}, {519, 553});
    auto* hidden = new QWidget(this);
    hidden->setObjectName(QStringLiteral("pnlButtons"));
    hidden->hide();
    bbNext_ = new QPushButton(QStringLiteral("Next >>"), hidden);
    bbNext_->setObjectName(QStringLiteral("bbNext"));
    bbBack_ = new QPushButton(QStringLiteral("<< Back"), hidden);
    bbBack_->setObjectName(QStringLiteral("bbBack"));
    auto* bbExit = new QPushButton(QStringLiteral("Exit"), hidden);
    bbExit->setObjectName(QStringLiteral("bbExit"));

    const auto next = [this] { model_.bbNextClick(); };
    const auto back = [this] { model_.bbBackClick(); };
    connect(next_, &TImageRegion::clicked, this, next);
    connect(bbNext_, &QPushButton::clicked, this, next);
    connect(back_, &TImageRegion::clicked, this, back);
    connect(bbBack_, &QPushButton::clicked, this, back);
    connect(exit, &TImageRegion::clicked, this, &QWidget::close);
    connect(bbExit, &QPushButton::clicked, this, &QWidget::close);
}

void TFormInstall::buildPages(QWidget* notebook) {
    auto* stack = static_cast<QStackedWidget*>(notebook);

    auto* pg1 = new QWidget;
    pg1->setObjectName(QStringLiteral("pg1"));
    licence_ = new QTextBrowser(pg1);
    licence_->setObjectName(QStringLiteral("wb_Licence"));
    licence_->setGeometry(10, 10, 569, 350);
    licence_->setOpenLinks(false);
    agree_ = new QRadioButton(QStringLiteral("I accept the agreement"), pg1);
    agree_->setObjectName(QStringLiteral("rb_Agree"));
    agree_->setGeometry(14, 372, 400, 22);
    notAgree_ = new QRadioButton(QStringLiteral("I don't accept the agreement"), pg1);
    notAgree_->setObjectName(QStringLiteral("rb_NotAgree"));
    notAgree_->setGeometry(14, 398, 400, 22);
    notAgree_->setChecked(true);
    agree_->setFont(skinLabelFont());
    setWhiteCaption(agree_);
    notAgree_->setFont(skinLabelFont());
    setWhiteCaption(notAgree_);
    connect(agree_, &QRadioButton::clicked, this, [this] {
        if (agree_->isChecked())
            model_.rb_AgreeClick();
    });
    connect(notAgree_, &QRadioButton::clicked, this, [this] {
        if (notAgree_->isChecked())
            model_.rb_NotAgreeClick();
    });

    auto* pg2 = new QWidget;
    pg2->setObjectName(QStringLiteral("pg2"));
    auto* group = new QGroupBox(QStringLiteral(" Install Options "), pg2);
    group->setObjectName(QStringLiteral("grpInstallOptions"));
    group->setGeometry(10, 10, 569, 190);
    group->setStyleSheet(QString::fromLatin1("QGroupBox { %1 }").arg(kWhiteText));
    setupLabel(group, "lbl_SelectFolder", QStringLiteral(" Select folder for installation"),
               QRect(14, 30, 400, 20));
    path_ = new QLineEdit(group);
    path_->setObjectName(QStringLiteral("edInstallPath"));
    path_->setGeometry(18, 54, 494, 24);
    auto* pick = new QToolButton(group);
    pick->setObjectName(QStringLiteral("sbSelectInPath"));
    pick->setText(QStringLiteral("..."));
    pick->setGeometry(518, 54, 32, 24);
    autoStart_ = new QCheckBox(QStringLiteral("Load Quillmoor in Startup"), group);
    autoStart_->setObjectName(QStringLiteral("chb_2"));
    autoStart_->setGeometry(18, 100, 500, 22);
    allUsers_ =
        new QCheckBox(QStringLiteral("Install Quillmoor for all users (Windows XP, 2000)"), group);
    allUsers_->setObjectName(QStringLiteral("chb_All"));
    allUsers_->setGeometry(18, 130, 500, 22);
    autoStart_->setFont(skinLabelFont());
    setWhiteCaption(autoStart_);
    allUsers_->setFont(skinLabelFont());
    setWhiteCaption(allUsers_);
    connect(path_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setInstallPath(text.toStdString()); });
    connect(pick, &QToolButton::clicked, this, &TFormInstall::sbSelectInPathClick);
    connect(autoStart_, &QCheckBox::toggled, this, [this](bool on) { model_.setAutoStart(on); });
    connect(allUsers_, &QCheckBox::toggled, this, [this](bool on) { model_.setAllUsers(on); });

    auto* pg3 = new QWidget;
    pg3->setObjectName(QStringLiteral("pg3"));
    setupLabel(pg3, "lbl_Progress", QStringLiteral("Installation Progress"),
               QRect(20, 30, 540, 22));
    setupLabel(pg3, "lbl_Copying", QStringLiteral("Copying files ..."), QRect(20, 70, 540, 22));
    progress_ = new QProgressBar(pg3);
    progress_->setObjectName(QStringLiteral("pbInstallProgress"));
    progress_->setGeometry(20, 100, 540, 22);
    progress_->setRange(0, TInstallWizardModel::kProgressMax);
    progress_->setTextVisible(false);

    auto* pg4 = new QWidget;
    pg4->setObjectName(QStringLiteral("pg4"));
    QLabel* done =
        setupLabel(pg4, "labInstSuccessful",
                   QStringLiteral(" Quillmoor Program installation was completed successfully"),
                   QRect(20, 30, 540, 24));
    QFont bigger = done->font();
    bigger.setPointSize(bigger.pointSize() + 2);
    done->setFont(bigger);
    setupLabel(pg4, "lbl_RemoveDrives",
               QStringLiteral("In order for Quillmoor to auto-detect the drive(s) you will be "
                              "using for backup, please remove any external drives at this time "
                              "prior to launching Quillmoor.  "),
               QRect(20, 80, 540, 60));
    setupLabel(pg4, "lbl_DrivesButton",
               QStringLiteral("Otherwise, you may click on \"Drives\" menu button after program "
                              "launch to manually select Source & Target drives for backup.  "),
               QRect(20, 150, 540, 60));

    for (QWidget* page : {pg1, pg2, pg3, pg4})
        stack->addWidget(page);
}

void TFormInstall::syncFromModel() {
    notebook_->setCurrentIndex(model_.page());
    back_->setVisible(model_.backPictureVisible());
    next_->setVisible(model_.nextPictureVisible());
    bbNext_->setEnabled(model_.nextEnabled());
    bbBack_->setEnabled(model_.backEnabled());
    if (path_->text().toStdString() != model_.installPath())
        path_->setText(QString::fromStdString(model_.installPath()));
    autoStart_->setChecked(model_.autoStart());
    allUsers_->setEnabled(model_.allUsersEnabled());
    allUsers_->setChecked(model_.allUsers());
    progress_->setValue(model_.progress());
    repaint();
}

void TFormInstall::FormShow() {
    show();
}

void TFormInstall::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!activated_) {
        activated_ = true;
        setWindowTitle(QStringLiteral("Setup  Quillmoor"));
        const std::string licence = includeTrailingBackslash(medium_) + "License.htm";
        if (fileExists(licence))
            if (auto host = toHostPath(licence))
                licence_->setSource(QUrl::fromLocalFile(QString::fromStdString(*host)));
        model_.FormActivate(TInstallWizardModel::DefaultInstallFolder());
    }
    syncFromModel();
}

void TFormInstall::sbSelectInPathClick() {
    std::string folder;
    if (TFormSelectFolder::Choose(folder)) {
        model_.setInstallPath(folder);
        syncFromModel();
    }
}

TInstallOutcome TFormInstall::runInstall(const TInstallOptions& chosen) {
    TInstallOptions options = chosen;
    options.mediumFolder = medium_;
    options.setupProgram = setupProgram_;
    TInstallEnvironment env;
    env.message = setupMessage;
    env.isAdmin = [] { return IsAdmin(); };
    env.userName = GetUserName();
    env.showProgressPage = [this] { model_.setPage(TInstallWizardModel::pg3); };
    env.stepProgress = [this](int step) { model_.setProgress(step); };
    TInstaller installer(options, env);
    return installer.Install();
}

} // namespace qm
