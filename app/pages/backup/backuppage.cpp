#include "app/pages/backup/backuppage.h"

#include "app/common/captionface.h"
#include "app/common/logmemofit.h"
#include "app/common/pagewidgets.h"
#include "app/drives/drivecombo.h"
#include "app/stores/settingsinforce.h"
#include "app/trees/qmfilelistview.h"
#include "app/trees/qmfoldertree.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace qm {

namespace {

QString onOff(bool on) {
    return on ? QStringLiteral("On") : QStringLiteral("Off");
}

} // namespace

TBackupPage::TBackupPage(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message,
                         QWidget* parent)
    : QWidget(parent),
      model_(std::make_unique<TBackupPageModel>(poll, settings, std::move(message))) {
    setObjectName(QStringLiteral("TS_BackUp"));
    QVBoxLayout* layout = pageLayout(this);
    layout->addWidget(makeDriveRow(this,
                                   {"Label3", "Select Files and Directories for Backup", "Label2",
                                    "Select Target Media Drive", "cbMediaDrive", "imr_Dropdown_B"},
                                   combo_));
    connect(combo_, &QComboBox::activated, this,
            [this](int index) { model_->selectMediaDrive(index); });

    upper_ = named(new QSplitter(Qt::Horizontal, this), "pnlBackup");
    tree_ = new TQMFolderTree(model_->tree(), upper_);
    tree_->setMinimumWidth(200);
    tree_->setMaximumWidth(300);
    list_ = new TQmFilelistView(model_->files(), upper_);
    upper_->addWidget(tree_);
    upper_->addWidget(list_);
    arrangeTreeAndList(*upper_);
    layout->addWidget(upper_, 1);
    layout->addWidget(buildBottom());

    model_->onChanged = [this] { refresh(); };
    refresh();
}

TBackupPage::~TBackupPage() {
    model_->onChanged = nullptr;
    // The views borrow the model's tree and list: they go first.
    delete upper_;
}

QWidget* TBackupPage::buildBottom() {
    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto* left = new QVBoxLayout;
    auto* options = whiteGroupBox(bottom, "GroupBox3", QStringLiteral("Backup Options"));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(8, 4, 8, 4);
    incremental_ = named(new QRadioButton(QStringLiteral("Incremental Backup"), options),
                         "rb_Incremental_Backup");
    incremental_->setToolTip(QStringLiteral("Back up new files only (since last Backup)"));
    full_ = named(new QRadioButton(QStringLiteral("Full Backup"), options), "rb_Full_Backup");
    full_->setToolTip(QStringLiteral("Back up all selected files"));
    for (QRadioButton* b : {incremental_, full_}) {
        setWhiteCaption(b);
        optionsLayout->addWidget(b);
    }
    left->addWidget(options);
    connect(incremental_, &QRadioButton::toggled, this,
            [this](bool on) { model_->setIncremental(on); });

    auto* info = named(new QWidget(bottom), "pnlInfoBackup");
    auto* infoGrid = new QGridLayout(info);
    infoGrid->setContentsMargins(8, 2, 8, 2);
    infoGrid->setVerticalSpacing(0);
    const std::pair<const char*, QLabel**> lines[] = {
        {"Compression", &compression_}, {"Encryption", &encryption_}, {"Revision", &revision_},
        {"Saving to log", &log_},       {"Reminder ", &reminder_},
    };
    const char* const labelNames[] = {"lbl_Compr_On", "lbl_Encr_ON", "lbl_Rev_On", "lbl_Log_On",
                                      "lbl_Rem_On"};
    for (int i = 0; i < 5; ++i) {
        auto* caption = new QLabel(QString::fromLatin1(lines[i].first), info);
        caption->setStyleSheet(QStringLiteral("color: white;"));
        infoGrid->addWidget(caption, i, 0);
        *lines[i].second = whiteLabel(info, labelNames[i], QStringLiteral("Off"));
        infoGrid->addWidget(*lines[i].second, i, 1);
    }
    left->addWidget(info);
    row->addLayout(left);

    auto* memoPanel = named(new QWidget(bottom), "pnl_Backup_Memo");
    auto* memoLayout = new QVBoxLayout(memoPanel);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    memoLayout->setSpacing(4);
    memo_ = readOnlyMemo(memoPanel, "Memo_LogBackup");
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoFit_ = new TLogMemoFit(*memo_);
    memoLayout->addWidget(memo_, 1);
    // Painted at its own size like "Begin Restore" (the "Backup now" picture of the
    // reminder is 118 x 19 and would blur when stretched).
    auto* button = makeCaptionButton(memoPanel, "btn_BackupJob", {}, QStringLiteral("Backup now"),
                                     QSize(120, 30), QStringLiteral("Begin Backup"));
    memoLayout->addWidget(button, 0, Qt::AlignRight);
    connect(button, &TImageRegion::clicked, this, [this] { model_->btn_BackupJobClick(); });
    row->addWidget(memoPanel, 1);
    bottom->setFixedHeight(170);
    return bottom;
}

void TBackupPage::TS_BackUpShow() {
    pnlBackupResize();
    model_->TS_BackUpShow();
    if (tree_->isVisible())
        tree_->setFocus();
}

void TBackupPage::refresh() {
    const TSettingsInForce& s = model_->settings();
    compression_->setText(onOff(s.compressionType() > 0));
    encryption_->setText(onOff(s.encryption()));
    // Compressed backups replace a file's archive every time: no older copies are kept,
    // whatever the revision setting says, and the summary says so where the user starts.
    const bool revisionsLost = s.revision() && s.compressionType() > 0;
    revision_->setText(revisionsLost ? QStringLiteral("Off (compressed)") : onOff(s.revision()));
    revision_->setToolTip(revisionsLost ? QStringLiteral("Compressed backups keep no older "
                                                         "copies: each backup replaces the "
                                                         "file's archive.")
                                        : QString());
    log_->setText(onOff(s.log()));
    reminder_->setText(onOff(s.reminder()));
    {
        const QSignalBlocker quiet(incremental_);
        incremental_->setChecked(model_->incremental());
        full_->setChecked(!model_->incremental());
    }
    const QString log = QString::fromStdString(model_->backupLog());
    if (memoFit_->log() != log)
        memoFit_->setLog(log);
    showDriveItems(*combo_, model_->mediaDrives(), model_->mediaIndex());
}

void TBackupPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    pnlBackupResize();
}

void TBackupPage::pnlBackupResize() {
    // The upper panel is at most the window's height less 280 pixels.
    if (QWidget* main = window())
        upper_->setMaximumHeight(std::max(100, main->height() - 280));
}

} // namespace qm
