#include "app/pages/reports/reportspage.h"

#include "app/common/captionface.h"
#include "app/common/columnfit.h"
#include "app/drives/drivecombo.h"
#include "app/pages/reports/reportspagemodel.h"
#include "controls/imageregion.h"
#include "controls/skinneddialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

namespace qm {

namespace {

struct Column {
    const char* caption;
    int width;
};
constexpr Column kColumns[] = {
    {"Process", 100}, {"Date", 80}, {"Time", 100}, {"Total Files", 90}, {"Status", 140}};

QPlainTextEdit* memo(QWidget* parent, const char* name) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFrameShape(QFrame::NoFrame);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setFixedHeight(170);
    return edit;
}

QString lines(const std::vector<std::string>& texts) {
    QStringList list;
    for (const std::string& t : texts)
        list << QString::fromStdString(t);
    return list.join(QLatin1Char('\n'));
}

} // namespace

TReportsPage::TReportsPage(TReportsPageModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("TS_Reports"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(
        makeSkinLabel(this, QStringLiteral("Label5"), QStringLiteral("Select Media Drive")));
    drives_ = new QComboBox(this);
    drives_->setObjectName(QStringLiteral("cbMediaDriveRep"));
    drives_->setMinimumWidth(120);
    auto* drop = makeCaptionButton(this, "imr_DropDown_Rep", QStringLiteral("button_dropdown"),
                                   QStringLiteral("v"), QSize(17, 21), {});
    top->addWidget(drives_);
    top->addWidget(drop);
    top->addStretch();
    layout->addLayout(top);
    // The choice by its text: the items may have changed while the list was open.
    connect(drives_, &QComboBox::activated, this, [this](int index) {
        const std::string caption = drives_->itemText(index).toStdString();
        const auto& items = model_.driveItems();
        const auto at = std::find(items.begin(), items.end(), caption);
        if (at != items.end())
            model_.selectDrive(static_cast<int>(at - items.begin()));
    });
    dropDownOpens(drop, drives_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("lv_Reports"));
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList headers;
    for (const Column& c : kColumns)
        headers << QString::fromLatin1(c.caption);
    list_->setHeaderLabels(headers);
    for (int i = 0; i < 5; ++i)
        list_->setColumnWidth(i, kColumns[i].width);
    // The status takes the width the other columns leave.
    new TColumnFit(*list_, 4, kColumns[4].width);
    list_->installEventFilter(this);
    layout->addWidget(list_, 1);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing_)
            model_.lv_ReportsChange(list_->indexOfTopLevelItem(list_->currentItem()));
    });

    auto* memos = new QHBoxLayout;
    QPlainTextEdit* captions = memo(this, "Memo_ReportCapt");
    captions->setPlainText(lines(TReportsPageModel::captionLines()));
    captions->setFixedWidth(200);
    values_ = memo(this, "Memo_Report");
    memos->addWidget(captions);
    memos->addWidget(values_, 1);
    layout->addLayout(memos);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    struct Button {
        const char* name;
        const char* caption;
        const char* hint;
        void (TReportsPageModel::*click)();
    };
    const Button kButtons[] = {
        {"imr_Print", "Print", "Print selected report", &TReportsPageModel::imr_PrintClick},
        {"imr_Delete", "Delete", "Delete selected report", &TReportsPageModel::imr_DeleteClick},
        {"imr_DelAll", "Delete all", "Delete all reports", &TReportsPageModel::imr_DelAllClick},
    };
    for (const Button& b : kButtons) {
        auto* button = makeCaptionButton(this, b.name, {}, QString::fromLatin1(b.caption),
                                         QSize(95, 25), QString::fromLatin1(b.hint));
        buttons->addWidget(button);
        const auto click = b.click;
        // std::invoke, not (model_.*click)(): see TTrayMenu::add.
        connect(button, &TImageRegion::clicked, this,
                [this, click] { std::invoke(click, model_); });
    }
    layout->addLayout(buttons);
    refresh();
}

void TReportsPage::refresh() {
    refreshing_ = true;
    showDriveItems(*drives_, model_.driveItems(), model_.driveIndex());
    const int rows = static_cast<int>(model_.reports().size());
    if (list_->topLevelItemCount() != rows || rows == 0 || model_.selectedRow() < 0) {
        list_->clear();
        for (const TActivityRecord& record : model_.reports()) {
            QStringList texts;
            for (const std::string& t : TReportsPageModel::rowTexts(record))
                texts << QString::fromStdString(t);
            list_->addTopLevelItem(new QTreeWidgetItem(texts));
        }
    }
    if (model_.selectedRow() >= 0)
        list_->setCurrentItem(list_->topLevelItem(model_.selectedRow()));
    values_->setPlainText(lines(model_.memoLines()));
    refreshing_ = false;
}

bool TReportsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete)
        model_.imr_DeleteClick();
    return QWidget::eventFilter(watched, event);
}

} // namespace qm
