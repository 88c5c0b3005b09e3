#include "app/runwindows/frmsummary.h"

#include "app/common/captionface.h"
#include "controls/imageregion.h"
#include "controls/skin.h"
#include "controls/windowdrag.h"
#include "platform/answerscript.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace qm {

namespace {

const char* const kValueNames[] = {"lbl_Type",  "lbl_STime", "lbl_ETime", "lbl_Time",
                                   "lbl_Files", "lbl_Size",  "lbl_Errors"};
constexpr int kRowTop = 34;
constexpr int kRowHeight = 19;

} // namespace

TFrmSummary::TFrmSummary(QWidget* owner, const TActivityRecord& record)
    : TSkinnedDialog(owner, QSize(415, 221), CornerOutline{1, 0, 0, 0, 10}, true) {
    setObjectName(QStringLiteral("FrmSummary"));
    QWidget* body = panel();
    auto* drag = new TWindowDrag(*this);
    drag->addHandle(body);
    QLabel* heading = makeSkinLabel(body, QStringLiteral("Label1"), QStringLiteral("Statistics"));
    QFont big = heading->font();
    big.setPointSize(big.pointSize() + 3);
    heading->setFont(big);
    heading->setGeometry(0, 6, body->width(), 22);
    heading->setAlignment(Qt::AlignHCenter);
    drag->addHandle(heading);
    const std::vector<TActivityRow> rows = ActivityRows(record);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int y = kRowTop + static_cast<int>(i) * kRowHeight;
        QLabel* caption = makeSkinLabel(body, QStringLiteral("Caption%1").arg(i + 1),
                                        QStringLiteral(" ") + QString::fromLatin1(rows[i].caption));
        caption->setGeometry(14, y, 160, kRowHeight);
        QLabel* value = makeSkinLabel(body, QString::fromLatin1(kValueNames[i]),
                                      QString::fromStdString(rows[i].value));
        value->setGeometry(180, y, body->width() - 190, kRowHeight);
    }
    auto* ok =
        makeCaptionButton(body, "imr_OK", QStringLiteral("button_ok"), tr("OK"), QSize(84, 25), {});
    ok->move((body->width() - 84) / 2, body->height() - 34);
    connect(ok, &TImageRegion::clicked, this, [this] { done(2); });
}

std::string TFrmSummary::scriptText(const TActivityRecord& record) {
    std::string text = "Statistics";
    for (const TActivityRow& row : ActivityRows(record))
        text += std::string("\n") + row.caption + ": " + row.value;
    return text;
}

void TFrmSummary::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        done(2);
        return;
    }
    TSkinnedDialog::keyPressEvent(event);
}

int ShowSummary(const TActivityRecord& record, const std::function<void()>& bringUpMain) {
    if (auto scripted = AnswerScript::instance().answerMessage(0, TFrmSummary::scriptText(record)))
        return 2;
    if (bringUpMain)
        bringUpMain();
    TFrmSummary summary(nullptr, record);
    QTimer::singleShot(0, &summary, [&summary] {
        summary.raise();
        summary.activateWindow();
    });
    summary.exec();
    return 2;
}

} // namespace qm
