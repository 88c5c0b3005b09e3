#include "controls/frmwait.h"

#include "controls/skin.h"

#include <QLabel>
#include <QStackedWidget>

namespace qm {

namespace {

struct WaitPage {
    const char* name;
    const char* picture;
};

constexpr WaitPage kPages[TFrmWait::kPageCount] = {
    {"TS_Dir", "wait_dir"},   {"TS_Rep", "wait_rep"},           {"TS_Load", "wait_load"},
    {"TS_Save", "wait_save"}, {"TS_contents", "wait_contents"},
};

} // namespace

const char* TFrmWait::pageName(int index) {
    return kPages[checkedPage(index)].name;
}

TFrmWait::TFrmWait(int pageIndex, QWidget* owner)
    : TSkinnedDialog(owner, QSize(331, 115), CornerOutline{1, 0, 0, 0, 10}, false) {
    setObjectName(QStringLiteral("FrmWait"));
    setModal(false);
    pages_ = new QStackedWidget(panel());
    pages_->setObjectName(QStringLiteral("pgc_Main"));
    pages_->setGeometry(0, 0, 331, 115);
    for (const WaitPage& entry : kPages) {
        auto* page = new QLabel;
        page->setObjectName(QString::fromLatin1(entry.name));
        page->setPixmap(skinPicture(QString::fromLatin1(entry.picture), {331, 115}));
        pages_->addWidget(page);
    }
    // The progress strip exists but is never shown.
    auto* strip = new QWidget(panel());
    strip->setObjectName(QStringLiteral("Pnl_prg"));
    auto* run = new QLabel(strip);
    run->setObjectName(QStringLiteral("img_run"));
    auto* bar = new QLabel(panel());
    bar->setObjectName(QStringLiteral("img_prg"));
    strip->hide();
    bar->hide();
    pages_->setCurrentIndex(checkedPage(pageIndex));
}

int TFrmWait::pageIndex() const {
    return pages_->currentIndex();
}

} // namespace qm
