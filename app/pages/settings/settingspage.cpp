#include "app/pages/settings/settingspage.h"

#include "app/common/captionface.h"
#include "app/common/pagewidgets.h"
#include "app/pages/settings/exceptionlistsbox.h"
#include "app/pages/settings/settingspagemodel.h"
#include "controls/imageregion.h"
#include "controls/skin.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace qm {

namespace {

// The panel fits the small window's page (640 x 512) with its resize rule's offset.
constexpr int kPanelWidth = 620;
constexpr int kPanelHeight = 470;

QGroupBox* group(QWidget* parent, const char* name, const QString& title) {
    return named(new QGroupBox(title, parent), name);
}

// Groups and columns are packed tight: every setting and both buttons must fit the
// small window's page without scrolling.
template <typename L> L* tight(L* layout, int margin = 6) {
    layout->setContentsMargins(margin, 2, margin, 3);
    layout->setSpacing(1);
    return layout;
}

QVBoxLayout* column(QWidget* box) {
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    return layout;
}

TImageRegion* spinButton(QWidget* parent, const char* name, const char* skin,
                         const QString& caption) {
    return makeCaptionButton(parent, name, QString::fromLatin1(skin), caption, QSize(17, 11), {});
}

// The up and down buttons stacked beside a number edit.
QWidget* spinPair(QWidget* parent, TImageRegion*& up, TImageRegion*& down, const char* upName,
                  const char* downName) {
    auto* pair = new QWidget(parent);
    auto* layout = new QVBoxLayout(pair);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up = spinButton(pair, upName, "button_spin_up", QStringLiteral("+"));
    down = spinButton(pair, downName, "button_spin_down", QStringLiteral("-"));
    layout->addWidget(up);
    layout->addWidget(down);
    pair->setFixedSize(17, 22);
    return pair;
}

QLineEdit* numberEdit(QWidget* parent, const char* name) {
    auto* edit = named(new QLineEdit(parent), name);
    edit->setReadOnly(true);
    edit->setFixedSize(32, 22);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

// A line of the revision and reminder settings: the caption, the number edit and its
// spin buttons (standing in the gap of the reminder's caption), then the rest of the
// caption.
QHBoxLayout* numberRow(QWidget* parent, const QString& before, QLineEdit* edit, QWidget* spin,
                       const QString& after) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(3);
    // Captions keep their whole width: the page makes room rather than cut them.
    auto caption = [parent](const QString& text) {
        auto* label = new QLabel(text, parent);
        label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        return label;
    };
    row->addWidget(caption(before));
    row->addWidget(edit);
    row->addWidget(spin);
    if (!after.isEmpty())
        row->addWidget(caption(after));
    row->addStretch();
    return row;
}

} // namespace

TSettingsPage::TSettingsPage(TSettingsPageModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("TS_Settings"));
    // The panel keeps its size; a page too low for it (the small window) scrolls.
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->viewport()->setAutoFillBackground(false);
    panel_ = named(new QWidget, "Pnl_Settings");
    auto* grid = new QGridLayout(panel_);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);
    // Two columns that stack independently, so neither waits for the other's rows.
    auto* left = new QWidget(panel_);
    auto* leftLayout = column(left);
    leftLayout->addWidget(buildSizeAndCompression(left));
    leftLayout->addWidget(buildRevisionAndReminder(left));
    leftLayout->addStretch();
    auto* right = new QWidget(panel_);
    auto* rightLayout = column(right);
    rightLayout->addWidget(buildEncryptionAndRestore(right));
    rightLayout->addWidget(buildAutoFeatures(right));
    rightLayout->addStretch();
    grid->addWidget(left, 0, 0);
    grid->addWidget(right, 0, 1);
    exceptions_ = new TExceptionListsBox(model_.exceptions(), panel_);
    grid->addWidget(exceptions_, 1, 0, 1, 2);
    model_.exceptions().onChanged = [this] { exceptions_->refresh(); };

    auto* buttons = new QHBoxLayout;
    auto* apply =
        makeCaptionButton(panel_, "btn_apply", QStringLiteral("button_apply"), tr("Apply"),
                          QSize(84, 25), QStringLiteral("Apply currently selected settings"));
    auto* defaults =
        makeCaptionButton(panel_, "imr_SetDef", QStringLiteral("button_default"), tr("Default"),
                          QSize(84, 25), QStringLiteral("Load default values for settings"));
    buttons->setContentsMargins(0, 0, 4, 0);
    buttons->setSpacing(8);
    buttons->addStretch();
    buttons->addWidget(defaults);
    buttons->addWidget(apply);
    grid->addLayout(buttons, 2, 0, 1, 2);
    panel_->setFixedSize(std::max(kPanelWidth, grid->minimumSize().width()),
                         std::max(kPanelHeight, grid->minimumSize().height()));
    scroll_->setWidget(panel_);
    connect(apply, &TImageRegion::clicked, this, [this] {
        if (onApply)
            onApply();
    });
    connect(defaults, &TImageRegion::clicked, this, [this] {
        if (onDefault)
            onDefault();
    });
    refresh();
}

QWidget* TSettingsPage::buildSizeAndCompression(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = column(box);
    auto* size = group(box, "RG_winsize", QStringLiteral(" Main Window Size "));
    auto* sizeLayout = tight(new QVBoxLayout(size));
    winSmall_ = named(new QRadioButton(QStringLiteral("800x600 pixels"), size), "RG_winsize_0");
    winLarge_ = named(new QRadioButton(QStringLiteral("1024x768 pixels"), size), "RG_winsize_1");
    sizeLayout->addWidget(winSmall_);
    sizeLayout->addWidget(winLarge_);
    connect(winSmall_, &QRadioButton::clicked, this, [this] { model_.setWinSizeIndex(0); });
    connect(winLarge_, &QRadioButton::clicked, this, [this] { model_.setWinSizeIndex(1); });
    layout->addWidget(size);

    auto* compression = group(box, "gb_Compression", QStringLiteral("Compression Type"));
    auto* cl = tight(new QVBoxLayout(compression));
    noCompression_ =
        named(new QRadioButton(QStringLiteral("No compression"), compression), "Rb_NoCompression");
    single_ = named(new QRadioButton(QStringLiteral("Compress to single archive"), compression),
                    "Rb_single");
    single_->hide();
    multiple_ =
        named(new QRadioButton(QStringLiteral("Compress to multiple archives"), compression),
              "Rb_Multiple");
    for (QRadioButton* b : {noCompression_, single_, multiple_})
        cl->addWidget(b);
    connect(noCompression_, &QRadioButton::clicked, this, [this] { model_.setCompressionType(0); });
    connect(single_, &QRadioButton::clicked, this, [this] { model_.setCompressionType(1); });
    connect(multiple_, &QRadioButton::clicked, this, [this] { model_.setCompressionType(2); });
    cl->addWidget(new QLabel(QStringLiteral("Compression Quality"), compression));
    auto* levelRow = new QHBoxLayout;
    level_ = named(new QSlider(Qt::Horizontal, compression), "tb_ComprQty");
    level_->setRange(1, 9);
    level_->setPageStep(1);
    level_->installEventFilter(this);
    levelRow->addWidget(new QLabel(QStringLiteral("Low "), compression));
    levelRow->addWidget(level_);
    levelRow->addWidget(new QLabel(QStringLiteral("High"), compression));
    cl->addLayout(levelRow);
    connect(level_, &QSlider::valueChanged, this, [this](int value) {
        if (refreshing_)
            return;
        if (!model_.changeLevel(value, shown()))
            level_->setSliderDown(false); // end the drag the refusal interrupted
    });
    layout->addWidget(compression);
    return box;
}

QWidget* TSettingsPage::buildEncryptionAndRestore(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = column(box);
    auto* enc = group(box, "gb_Encryption", QString());
    auto* el = tight(new QGridLayout(enc));
    encryption_ = named(new QCheckBox(QStringLiteral("Use Encryption"), enc), "chkEncription");
    el->addWidget(encryption_, 0, 0, 1, 2);
    el->addWidget(new QLabel(QStringLiteral("Select encryption method:"), enc), 1, 0, 1, 2);
    keySize_ = named(new QComboBox(enc), "cbKeySize");
    keySize_->addItems({QStringLiteral("AES-128 bit key"), QStringLiteral("AES-192 bit key"),
                        QStringLiteral("AES-256 bit key")});
    keySizeDrop_ = makeCaptionButton(enc, "imr_DropDown_S", QStringLiteral("button_dropdown"),
                                     QStringLiteral("v"), QSize(17, 21), {});
    el->addWidget(keySize_, 2, 0);
    el->addWidget(keySizeDrop_, 2, 1);
    connect(encryption_, &QCheckBox::clicked, this, [this](bool on) { model_.setEncryption(on); });
    connect(keySize_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_)
            model_.setKeySizeIndex(index);
    });
    connect(keySizeDrop_, &TImageRegion::clicked, this, [this] {
        if (keySize_->isEnabled())
            keySize_->showPopup();
    });
    layout->addWidget(enc);

    auto* restore = group(box, "Rg_RestoringOpt", QStringLiteral("Restore Options"));
    auto* rl = tight(new QVBoxLayout(restore));
    replaceAll_ =
        named(new QRadioButton(QStringLiteral("Replace all files without confirmation"), restore),
              "Rg_RestoringOpt_0");
    replaceOld_ = named(new QRadioButton(QStringLiteral("Replace only old files "), restore),
                        "Rg_RestoringOpt_1");
    rl->addWidget(replaceAll_);
    rl->addWidget(replaceOld_);
    connect(replaceAll_, &QRadioButton::clicked, this, [this] { model_.setRestoring(0); });
    connect(replaceOld_, &QRadioButton::clicked, this, [this] { model_.setRestoring(1); });
    log_ = named(new QCheckBox(QStringLiteral("Save log file"), box), "chb_LogFile");
    connect(log_, &QCheckBox::clicked, this, [this](bool on) { model_.setLog(on); });
    layout->addWidget(restore);
    layout->addWidget(log_);
    return box;
}

QWidget* TSettingsPage::buildRevisionAndReminder(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = column(box);
    revision_ = named(new QCheckBox(QStringLiteral("File Revision"), box), "chb_FileRevision");
    revision_->installEventFilter(this);
    revisions_ = numberEdit(box, "edtRevVer");
    QWidget* revSpin = spinPair(box, revUp_, revDown_, "imr_Rev1", "imr_Rev2");
    layout->addWidget(revision_);
    layout->addLayout(numberRow(box, QStringLiteral("Enter number of kept revisions for files"),
                                revisions_, revSpin, {}));
    connect(revision_, &QCheckBox::clicked, this, [this](bool on) { model_.setRevisionTick(on); });
    connect(revUp_, &TImageRegion::clicked, this, [this] { model_.revisionUp(); });
    connect(revDown_, &TImageRegion::clicked, this, [this] { model_.revisionDown(); });

    reminder_ = named(new QCheckBox(QStringLiteral("Reminder"), box), "chkReminder");
    reminderDays_ = numberEdit(box, "edtRemday");
    QWidget* remSpin = spinPair(box, remUp_, remDown_, "imr_Rem1", "imr_Rem2");
    layout->addWidget(reminder_);
    layout->addLayout(numberRow(box, QStringLiteral("Remind me to backup my data every"),
                                reminderDays_, remSpin, QStringLiteral("days")));
    connect(reminder_, &QCheckBox::clicked, this, [this](bool on) { model_.setReminderTick(on); });
    connect(remUp_, &TImageRegion::clicked, this, [this] { model_.reminderUp(); });
    connect(remDown_, &TImageRegion::clicked, this, [this] { model_.reminderDown(); });

    exeptList_ =
        named(new QCheckBox(QStringLiteral("Use Exception List "), box), "chb_UseExeptList");
    connect(exeptList_, &QCheckBox::clicked, this, [this](bool on) { model_.setExeptList(on); });
    layout->addWidget(exeptList_);
    return box;
}

QWidget* TSettingsPage::buildAutoFeatures(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = column(box);
    auto* save = group(box, "gb_AutoSave", QStringLiteral("Auto-Save Features"));
    saveSel_ = named(new QCheckBox(QStringLiteral("Media Profiler"), save), "chb_SaveSel");
    tight(new QVBoxLayout(save))->addWidget(saveSel_);
    auto* launch = group(box, "gb_AutoLaunch", QStringLiteral("Auto-Launch"));
    auto* ll = tight(new QVBoxLayout(launch));
    autoStart_ =
        named(new QCheckBox(QStringLiteral("Auto-Open Backup Window"), launch), "cb_AutoStart");
    autoLaunch_ =
        named(new QCheckBox(QStringLiteral("Disable Auto-Launch"), launch), "cb_AutoLaunch");
    ll->addWidget(autoStart_);
    ll->addWidget(autoLaunch_);
    auto* update = group(box, "gb_Update", QStringLiteral("Quillmoor Update"));
    updater_ = named(new QCheckBox(QStringLiteral("Automatically run Program Updater"), update),
                     "chb_Updater");
    tight(new QVBoxLayout(update))->addWidget(updater_);
    for (QWidget* w : {static_cast<QWidget*>(save), static_cast<QWidget*>(launch),
                       static_cast<QWidget*>(update)})
        layout->addWidget(w);
    connect(saveSel_, &QCheckBox::clicked, this, [this](bool on) { model_.setSaveSelection(on); });
    connect(autoStart_, &QCheckBox::clicked, this, [this](bool on) { model_.setAutoStart(on); });
    connect(autoLaunch_, &QCheckBox::clicked, this, [this](bool on) { model_.setAutoLaunch(on); });
    connect(updater_, &QCheckBox::clicked, this, [this](bool on) { model_.setUpdater(on); });
    return box;
}

void TSettingsPage::refresh() {
    refreshing_ = true;
    winSmall_->setChecked(model_.winSizeIndex() == 0);
    winLarge_->setChecked(model_.winSizeIndex() == 1);
    noCompression_->setChecked(model_.compressionType() == 0);
    single_->setChecked(model_.compressionType() == 1);
    multiple_->setChecked(model_.compressionType() == 2);
    level_->setValue(model_.level());
    encryption_->setChecked(model_.encryption());
    keySize_->setCurrentIndex(model_.keySizeIndex());
    keySize_->setEnabled(model_.keySizeEnabled());
    keySizeDrop_->setEnabled(model_.keySizeEnabled());
    replaceAll_->setChecked(model_.restoring() == 0);
    replaceOld_->setChecked(model_.restoring() == 1);
    log_->setChecked(model_.log());
    revision_->setChecked(model_.revision());
    revisions_->setText(QString::number(model_.revisions()));
    revUp_->setEnabled(model_.revisionSpinEnabled());
    revDown_->setEnabled(model_.revisionSpinEnabled());
    reminder_->setChecked(model_.reminder());
    reminderDays_->setText(QString::number(model_.reminderDays()));
    remUp_->setEnabled(model_.reminderSpinEnabled());
    remDown_->setEnabled(model_.reminderSpinEnabled());
    exeptList_->setChecked(model_.exeptList());
    saveSel_->setChecked(model_.saveSelection());
    autoStart_->setChecked(model_.autoStart());
    autoLaunch_->setChecked(model_.autoLaunch());
    updater_->setChecked(model_.updater());
    refreshing_ = false;
}

bool TSettingsPage::shown() const {
    return pageVisible ? pageVisible() : isVisible();
}

bool TSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == level_ && type == QEvent::FocusIn)
        model_.levelFocused();
    if (watched == level_ && (type == QEvent::MouseButtonPress ||
                              type == QEvent::MouseButtonDblClick || type == QEvent::Wheel)) {
        model_.levelFocused();
        // A press on a locked bar is refused before the slider takes it: the message box
        // opens under the pressed button and takes its release, so a slider that had the
        // press would go on stepping, under the message and after it. The wheel turns a
        // bar that never had the focus, so it is refused here too, from the level in force.
        if (!model_.levelTakesChange(shown())) {
            model_.refuseLevelChange();
            return true;
        }
    }
    if (watched == revision_ &&
        (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease))
        model_.revisionTickReleased();
    return QWidget::eventFilter(watched, event);
}

void TSettingsPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = static_cast<int>(std::lround((height() - panel_->height()) / 2.0) +
                                     std::lround(panel_->height() / 50.0));
    const int y = std::max(0, top);
    scroll_->setGeometry(0, y, width(), height() - y);
}

} // namespace qm
