#include "app/common/pathelide.h"

#include <QFontMetrics>

namespace qm {

namespace {

// The first separator of the path in `text`: after a drive letter ("C:\"), or at the
// start of a word ("\\server", "/home"), so a date's slashes ("12/7/2026") are not taken
// for one. -1 when the text holds no path.
qsizetype pathStart(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\') && text[i] != QLatin1Char('/'))
            continue;
        const bool afterDrive = i >= 2 && text[i - 1] == QLatin1Char(':') && text[i - 2].isLetter();
        if (afterDrive || i == 0 || text[i - 1].isSpace())
            return i;
    }
    return -1;
}

} // namespace

QString elideFolders(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const qsizetype first = pathStart(text);
    // The path's last separator, of the kind it starts with: a result's "date/time" after
    // a DOS path is not one.
    const qsizetype last = first < 0 ? -1 : text.lastIndexOf(text[first]);
    if (first >= 0 && last > first + 1) {
        // Head up to the first separator ("… PM C:\"), tail from the last one on.
        const QString head = text.left(first + 1);
        const QString tail = text.mid(last);
        const QString folders = text.mid(first + 1, last - first - 1);
        const int room = width - metrics.horizontalAdvance(head) - metrics.horizontalAdvance(tail);
        const QString elided = metrics.elidedText(folders, Qt::ElideMiddle, room);
        if (!elided.isEmpty() && room > 0)
            return head + elided + tail;
        // Too narrow for the text before the path: it gives way too, the name and what
        // follows it still whole.
        const int before = width - metrics.horizontalAdvance(tail);
        const QString start = metrics.elidedText(text.left(last), Qt::ElideMiddle, before);
        if (!start.isEmpty() && before > 0)
            return start + tail;
        // Narrower still: the name's start and the text's end, everything before the
        // name given up ("…\Minutes of…meeting.doc", "…\a.txt - Bac…successful.").
        const QString ellipsis(QChar(0x2026));
        const int rest = width - metrics.horizontalAdvance(ellipsis);
        const QString end = metrics.elidedText(tail, Qt::ElideMiddle, rest);
        if (end.size() > 1 && rest > 0)
            return ellipsis + end;
    }
    return metrics.elidedText(text, Qt::ElideMiddle, width);
}

} // namespace qm
