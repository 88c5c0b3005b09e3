#include "app/restorepage.h"

#include "app/captionface.h"
#include "app/qmrestorefilelist.h"
#include "app/qmrestoretree.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QAbstractItemView>
#include <QButtonGroup>
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

template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* whiteLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = named(new QLabel(text, parent), name);
    label->setFont(skinLabelFont());
    label->setStyleSheet(QStringLiteral("color: white;"));
    return label;
}

QPlainTextEdit* memo(QWidget* parent, const char* name) {
    auto* edit = named(new QPlainTextEdit(parent), name);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    return edit;
}

} // namespace

TRestorePage::TRestorePage(TDrivePoll& poll, TSettingsPageModel& settings, MessageFn message,
                           TRestorePageModel::RunJob runJob, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<TRestorePageModel>(
                           poll, settings, std::move(message), std::move(runJob))) {
    setObjectName(QStringLiteral("TS_Restore"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 14, 6);
    layout->setSpacing(4);
    layout->addWidget(buildTop());
    upper_ = named(new QSplitter(Qt::Horizontal, this), "pnlRestore");
    tree_ = new TQMRestoreTree(model_->tree(), upper_);
    tree_->setToolTip(QStringLiteral("Folders to restore "));
    tree_->setMinimumWidth(200);
    list_ = new TQMRestoreFileList(model_->files(), upper_);
    list_->setToolTip(QStringLiteral("Files to restore"));
    upper_->addWidget(tree_);
    upper_->addWidget(list_);
    upper_->setStretchFactor(1, 1);
    upper_->setSizes({200, 420});
    upper_->setChildrenCollapsible(false);
    layout->addWidget(upper_, 1);
    layout->addWidget(buildBottom());
    model_->onChanged = [this] { refresh(); };
    refresh();
}

TRestorePage::~TRestorePage() {
    model_->onChanged = nullptr;
    delete upper_; // the views borrow the model's tree and list: they go first
}

QWidget* TRestorePage::buildTop() {
    auto* top = new QWidget(this);
    auto* grid = new QGridLayout(top);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(2);
    grid->addWidget(
        whiteLabel(top, "Label4", QStringLiteral("Select Files and Directories for Restore")), 1, 0,
        Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(whiteLabel(top, "Label1", QStringLiteral("Select Source Media Drive")), 0, 2, 1,
                    2, Qt::AlignLeft);
    combo_ = named(new QComboBox(top), "cbSourceDrive");
    combo_->setToolTip(QStringLiteral("Select Media Drive letter"));
    combo_->setMinimumWidth(120);
    grid->addWidget(combo_, 1, 2);
    auto* drop = makeCaptionButton(top, "imr_DropDown_R", QStringLiteral("button_dropdown"),
                                   QStringLiteral("v"), QSize(24, 24), {});
    grid->addWidget(drop, 1, 3);
    grid->setColumnStretch(1, 1);
    connect(drop, &TImageRegion::clicked, this, [this] {
        if (!combo_->view()->isVisible())
            combo_->showPopup();
    });
    connect(combo_, &QComboBox::activated, this, [this](int index) { model_->selectDrive(index); });
    return top;
}

QWidget* TRestorePage::buildBottom() {
    auto* bottom = new QWidget(this);
    auto* row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto* options = named(new QGroupBox(QStringLiteral(" Restore Options "), bottom), "Label11");
    options->setStyleSheet(QStringLiteral("QGroupBox { color: white; font-weight: bold; }"));
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
    QPlainTextEdit* captions = memo(settings, "s");
    captions->setPlainText(QStringLiteral("Saving to log\nReminder \nReplace only old \nfiles"));
    values_ = memo(settings, "Memo_RstSettingsValues");
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
    log_ = memo(bottom, "Memo_LogRestore");
    log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
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
    if (log_->toPlainText() != log)
        log_->setPlainText(log);
    if (combo_->view()->isVisible())
        return; // never change a list the user has open
    const QSignalBlocker quiet(combo_);
    combo_->clear();
    for (const std::string& caption : model_->driveItems())
        combo_->addItem(QString::fromStdString(caption));
    combo_->setCurrentIndex(model_->driveIndex());
}

} // namespace qm
