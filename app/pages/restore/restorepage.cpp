#include "app/pages/restore/restorepage.h"

#include "app/common/captionface.h"
#include "app/common/logmemofit.h"
#include "app/common/pagewidgets.h"
#include "app/drives/drivecombo.h"
#include "app/trees/qmrestorefilelist.h"
#include "app/trees/qmrestoretree.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

namespace qm {

TRestorePage::TRestorePage(TDrivePoll& poll, const TSettingsInForce& settings, MessageFn message,
                           TStartJob startJob, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<TRestorePageModel>(
                           poll, settings, std::move(message), std::move(startJob))) {
    setObjectName(QStringLiteral("TS_Restore"));
    QVBoxLayout* layout = pageLayout(this);
    layout->addWidget(makeDriveRow(this,
                                   {"Label4", "Select Files and Directories for Restore", "Label1",
                                    "Select Source Media Drive", "cbSourceDrive", "imr_DropDown_R"},
                                   combo_));
    connect(combo_, &QComboBox::activated, this, [this](int index) { model_->selectDrive(index); });
    upper_ = named(new QSplitter(Qt::Horizontal, this), "pnlRestore");
    tree_ = new TQMRestoreTree(model_->tree(), upper_);
    tree_->setToolTip(QStringLiteral("Folders to restore "));
    tree_->setMinimumWidth(200);
    list_ = new TQMRestoreFileList(model_->files(), upper_);
    list_->setToolTip(QStringLiteral("Files to restore"));
    upper_->addWidget(tree_);
    upper_->addWidget(list_);
    arrangeTreeAndList(*upper_);
    layout->addWidget(upper_, 1);
    layout->addWidget(buildBottom());
    model_->onChanged = [this] { refresh(); };
    refresh();
}

TRestorePage::~TRestorePage() {
    model_->onChanged = nullptr;
    delete upper_; // the views borrow the model's tree and list: they go first
}

QWidget* TRestorePage::buildBottom() {
    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto* options = whiteGroupBox(bottom, "Label11", QStringLiteral(" Restore Options "));
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(8, 4, 8, 4);
    optionsLayout->setSpacing(2);
    original_ = named(new QRadioButton(QStringLiteral("Restore to original location "), options),
                      "RadioButton1");
    destination_ =
        named(new QRadioButton(QStringLiteral("Restore to selected destination path"), options),
              "rb_RestoreDest");
    newest_ = named(new QRadioButton(QStringLiteral("Restore the newest versions"), options),
                    "rb_Newest");
    versions_ = named(new QRadioButton(QStringLiteral("Select file versions"), options),
                      "rb_SelectVersion");
    auto* target = new QButtonGroup(options);
    target->addButton(original_);
    target->addButton(destination_);
    auto* version = new QButtonGroup(options);
    version->addButton(newest_);
    version->addButton(versions_);
    for (QRadioButton* b : {original_, destination_, newest_, versions_}) {
        setWhiteCaption(b);
        optionsLayout->addWidget(b);
    }
    connect(destination_, &QRadioButton::toggled, this, [this](bool on) { model_->toFolder = on; });
    connect(versions_, &QRadioButton::toggled, this,
            [this](bool on) { model_->selectVersions = on; });

    auto* settings = new QWidget(bottom);
    auto* settingsRow = new QHBoxLayout(settings);
    settingsRow->setContentsMargins(0, 0, 0, 0);
    settingsRow->setSpacing(0);
    QPlainTextEdit* captions = readOnlyMemo(settings, "s");
    captions->setPlainText(QStringLiteral("Saving to log\nReminder \nReplace only old \nfiles"));
    values_ = readOnlyMemo(settings, "Memo_RstSettingsValues");
    for (QPlainTextEdit* m : {captions, values_}) {
        m->setFrameShape(QFrame::NoFrame);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m->setFixedHeight(80);
    }
    captions->setMinimumWidth(120);
    values_->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    values_->setFixedWidth(44);
    settingsRow->addWidget(captions, 1);
    settingsRow->addWidget(values_);

    auto* left = new QVBoxLayout;
    left->addWidget(options);
    left->addWidget(settings);
    row->addLayout(left);

    auto* right = new QVBoxLayout;
    log_ = readOnlyMemo(bottom, "Memo_LogRestore");
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logFit_ = new TLogMemoFit(*log_);
    right->addWidget(log_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* remove =
        makeCaptionButton(bottom, "imr_DeleteSel", {}, QStringLiteral("Delete"), QSize(120, 30),
                          QStringLiteral("Delete selected files from Media Drive"));
    auto* restore = makeCaptionButton(bottom, "imr_Restore", {}, QStringLiteral("Begin Restore"),
                                      QSize(120, 30), QStringLiteral("Begin Restore"));
    buttons->addWidget(remove);
    buttons->addWidget(restore);
    right->addLayout(buttons);
    row->addLayout(right, 1);
    connect(restore, &TImageRegion::clicked, this, [this] { model_->imr_RestoreClick(); });
    connect(remove, &TImageRegion::clicked, this, [this] { model_->imr_DeleteSelClick(); });
    bottom->setFixedHeight(200);
    return bottom;
}

void TRestorePage::refresh() {
    {
        const QSignalBlocker a(original_), b(destination_), c(newest_), d(versions_);
        original_->setChecked(!model_->toFolder);
        destination_->setChecked(model_->toFolder);
        newest_->setChecked(!model_->selectVersions);
        versions_->setChecked(model_->selectVersions);
    }
    QStringList values;
    for (const std::string& v : model_->settingsValues())
        values << QString::fromStdString(v);
    values_->setPlainText(values.join(QLatin1Char('\n')));
    const QString log = QString::fromStdString(model_->log());
    if (logFit_->log() != log)
        logFit_->setLog(log);
    showDriveItems(*combo_, model_->driveItems(), model_->driveIndex());
}

} // namespace qm
