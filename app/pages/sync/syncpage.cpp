#include "app/pages/sync/syncpage.h"

#include "app/common/captionface.h"
#include "app/common/pagewidgets.h"
#include "app/drives/drivecombo.h"
#include "app/pages/sync/synclist.h"
#include "app/trees/qmrestorefilelist.h"
#include "app/trees/qmrestoretree.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <functional>

namespace qm {

namespace {

// A legend entry: the colour of a row kind with its name on it.
QLabel* legend(QWidget* parent, const char* name, const QString& text, TSyncKind kind) {
    auto* label = named(new QLabel(text, parent), name);
    const TSyncListModel::Colour c = TSyncListModel::colour(kind);
    label->setStyleSheet(
        QStringLiteral("background: rgb(%1,%2,%3); color: black; padding: 1px 4px;")
            .arg(c.red)
            .arg(c.green)
            .arg(c.blue));
    return label;
}

constexpr const char* kOptions[4] = {"Synchronize the files",
                                     "Media Drive overwrites User's Hard Drive",
                                     "Hard Drive overwrites selected Media Drive", "Do Nothing"};

} // namespace

TSyncPage::TSyncPage(TDrivePoll& poll, MessageFn message, Hooks hooks, QWidget* parent)
    : QWidget(parent), hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("TS_Sync"));
    TSyncPageModel::Actions actions;
    actions.wait = hooks_.wait;
    actions.pageVisible = hooks_.pageVisible;
    actions.compare = [this] { runCompare(); };
    actions.startJob = hooks_.startJob;
    if (!hooks_.compare.message)
        hooks_.compare.message = message;
    model_ = std::make_unique<TSyncPageModel>(poll, std::move(message), std::move(actions));
    model_->tree().OnBusy = [this](bool show, int, int, int) {
        if (hooks_.wait)
            hooks_.wait(show);
    };

    QVBoxLayout* layout = pageLayout(this);
    layout->addWidget(makeDriveRow(
        this,
        {nullptr, nullptr, "Label10", "Select Media Drive", "cbMediaSinc", "imr_DorpDown_Sync1"},
        combo_));
    connect(combo_, &QComboBox::activated, this,
            [this](int index) { model_->selectMediaDrive(index); });
    tabs_ = named(new QStackedWidget(this), "pgc_sync");
    tabs_->addWidget(buildFiles());
    tabs_->addWidget(buildResults());
    layout->addWidget(tabs_, 1);
    layout->addWidget(buildBottom());

    model_->onChanged = [this] { refresh(); };
    refresh();
}

TSyncPage::~TSyncPage() {
    model_->onChanged = nullptr;
    model_->tree().OnBusy = nullptr;
    // The views borrow the model's tree and lists: they go first.
    delete tabs_;
}

QWidget* TSyncPage::buildFiles() {
    auto* page = named(new QWidget(this), "TSSync_Files");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, page);
    auto* left = new QWidget(split);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(
        whiteLabel(left, "Label11", QStringLiteral("Select Folders to Synchronize")));
    tree_ = new TQMRestoreTree(model_->tree(), left, "QMRestoreTreeSync");
    tree_->setToolTip(QStringLiteral("Folders to synchronize "));
    leftLayout->addWidget(tree_, 1);
    auto* right = new QWidget(split);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(
        whiteLabel(right, "Label12", QStringLiteral("Select Files to Synchronize")));
    files_ = new TQMRestoreFileList(model_->files(), right, "QMRestoreFileListSync");
    files_->setToolTip(QStringLiteral("Files to synchronize"));
    rightLayout->addWidget(files_, 1);
    split->addWidget(left);
    split->addWidget(right);
    arrangeTreeAndList(*split);
    left->setMinimumWidth(180);
    layout->addWidget(split);
    return page;
}

QWidget* TSyncPage::buildResults() {
    auto* page = named(new QWidget(this), "TSSync_Results");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(whiteLabel(page, "Label13", QStringLiteral("Comparing Results")));
    list_ = new TSyncList(model_->list(), page);
    layout->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    struct Button {
        const char* name;
        const char* caption;
        void (TSyncPageModel::*click)();
    };
    const Button row[] = {{"imr_CheckAll", "Check All", &TSyncPageModel::imr_CheckAllClick},
                          {"imr_UncheckAll", "Uncheck All", &TSyncPageModel::imr_UncheckAllClick},
                          {"imt_back", "Back", &TSyncPageModel::imt_backClick}};
    for (const Button& b : row) {
        auto* button = makeCaptionButton(page, b.name, {}, QString::fromLatin1(b.caption),
                                         QSize(96, 26), QString::fromLatin1(b.caption));
        buttons->addWidget(button);
        const auto click = b.click;
        // std::invoke, not ((*model_).*click)(): see TTrayMenu::add.
        connect(button, &TImageRegion::clicked, this,
                [this, click] { std::invoke(click, *model_); });
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    return page;
}

QWidget* TSyncPage::buildBottom() {
    auto* bottom = new QWidget(this);
    auto* grid = new QGridLayout(bottom);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);

    auto* group = whiteGroupBox(bottom, "Rg_SyncOpt", QStringLiteral("Synchronization Options"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(8, 4, 8, 4);
    groupLayout->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        options_[i] = new QRadioButton(QString::fromLatin1(kOptions[i]), group);
        options_[i]->setObjectName(QStringLiteral("Rg_SyncOpt_%1").arg(i));
        setWhiteCaption(options_[i]);
        groupLayout->addWidget(options_[i]);
        connect(options_[i], &QRadioButton::clicked, this, [this, i] { model_->setSyncOption(i); });
    }
    grid->addWidget(group, 0, 0, Qt::AlignLeft | Qt::AlignTop);

    // The legend and Sync button show with the results, Compare always.
    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    colours_ = named(new QWidget(bottom), "pnl_SyncColors");
    auto* coloursLayout = new QGridLayout(colours_);
    coloursLayout->setContentsMargins(0, 0, 0, 0);
    coloursLayout->setSpacing(2);
    coloursLayout->addWidget(
        legend(colours_, "Label14", QStringLiteral("Deleted Files"), TSyncKind::Red), 0, 0);
    coloursLayout->addWidget(
        legend(colours_, "Label15", QStringLiteral("New Files On Hard Drive"), TSyncKind::Green), 1,
        0);
    coloursLayout->addWidget(
        legend(colours_, "Label16", QStringLiteral("New Files On Media Drive"), TSyncKind::Blue), 2,
        0);
    coloursLayout->addWidget(legend(colours_, "Label17",
                                    QStringLiteral("Files That Cannot Be Read"),
                                    TSyncKind::Unreadable),
                             3, 0);
    auto* sync = makeCaptionButton(colours_, "imr_Sync", QStringLiteral("button_sync"),
                                   QStringLiteral("Synchronize"), QSize(130, 30),
                                   QStringLiteral("Begin Synchronize"));
    coloursLayout->addWidget(sync, 0, 1, 4, 1, Qt::AlignBottom);
    connect(sync, &TImageRegion::clicked, this, [this] { model_->imr_SyncClick(); });
    right->addWidget(colours_, 0, Qt::AlignRight);
    right->addStretch();
    auto* compare = makeCaptionButton(bottom, "imr_Compare", QStringLiteral("button_compare"),
                                      QStringLiteral("Compare"), QSize(130, 30),
                                      QStringLiteral("Begin Compare"));
    right->addWidget(compare, 0, Qt::AlignRight);
    connect(compare, &TImageRegion::clicked, this, [this] { model_->imr_CompareClick(); });
    grid->addLayout(right, 0, 1);
    grid->setColumnStretch(1, 1);

    delete_ = named(new QCheckBox(QStringLiteral("Delete files in Media Drive  if corresponding "
                                                 "files in User's Hard Drive were deleted"),
                                  bottom),
                    "chb_SyncDelete");
    setWhiteCaption(delete_);
    connect(delete_, &QCheckBox::toggled, this, [this](bool on) { model_->setDeleteOnMedia(on); });
    grid->addWidget(delete_, 1, 0, 1, 2);
    return bottom;
}

void TSyncPage::runCompare() {
    TFrmCompare window(model_->tree(), model_->list(), hooks_.compare);
    compare_ = &window;
    window.execute();
    compare_ = nullptr;
}

void TSyncPage::TS_SyncShow() {
    model_->TS_SyncShow();
    if (tree_->isVisible())
        tree_->setFocus();
}

void TSyncPage::refresh() {
    tabs_->setCurrentIndex(model_->tab());
    colours_->setVisible(model_->colorsShown());
    {
        const QSignalBlocker quiet(options_[model_->syncOption()]);
        options_[model_->syncOption()]->setChecked(true);
    }
    {
        const QSignalBlocker quiet(delete_);
        delete_->setChecked(model_->deleteOnMedia());
    }
    showDriveItems(*combo_, model_->mediaDrives(), model_->driveIndex());
}

} // namespace qm
