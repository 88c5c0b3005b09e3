#include "app/common/logmemofit.h"

#include "app/common/pathelide.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextDocument>

namespace qm {

TLogMemoFit::TLogMemoFit(QPlainTextEdit& memo)
    : QObject(&memo), memo_(memo), viewport_(*memo.viewport()) {
    viewport_.installEventFilter(this);
}

void TLogMemoFit::setLog(const QString& log) {
    log_ = log;
    fit();
}

void TLogMemoFit::fit() {
    // The document's margin on either side, and the cursor's pixel at a line's end.
    const int margin = static_cast<int>(memo_.document()->documentMargin());
    const int width = viewport_.width() - 2 * margin - memo_.cursorWidth();
    const QFontMetrics metrics(memo_.font());
    QStringList lines = log_.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = elideFolders(line, metrics, width);
    const QString shown = lines.join(QLatin1Char('\n'));
    if (memo_.toPlainText() != shown)
        memo_.setPlainText(shown);
}

bool TLogMemoFit::eventFilter(QObject* watched, QEvent* event) {
    // The viewport is compared, never the memo asked: the memo may be half destroyed.
    if (watched == &viewport_ && event->type() == QEvent::Resize)
        fit();
    return QObject::eventFilter(watched, event);
}

} // namespace qm
