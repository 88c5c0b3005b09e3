#include "app/pages/reports/reportprinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace qm {

namespace {

const char* const kNoPrinter =
    "Can't print the report: no printer is installed. Add a printer and try again.";
const char* const kPrintFailed =
    "Can't print the report: the printer reported an error. Check the printer and try again.";

// Halves go to the even neighbour.
int nearest(double value) {
    return static_cast<int>(std::nearbyint(value));
}

QFont arial(int pixels, bool italic) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, pixels));
    font.setItalic(italic);
    return font;
}

// Text with its top-left corner at (x, y).
void textAt(QPainter& p, int x, int y, const QString& text) {
    const QFontMetrics metrics(p.font());
    p.drawText(QPoint(x, y + metrics.ascent()), text);
}

// Text that stands on the rule at `ruleY`: its descenders end `gap` above the rule.
void textOnRule(QPainter& p, int x, int ruleY, int gap, const QString& text) {
    p.drawText(QPoint(x, ruleY - gap - p.fontMetrics().descent()), text);
}

} // namespace

std::string PrintActivity(const TActivityRecord& record, QPrinter& printer) {
    QPainter p;
    if (!p.begin(&printer))
        return kPrintFailed;
    const int w = printer.width();
    const int h = printer.height();
    const int mx = nearest(w * 5 / 100.0);
    const int my = nearest(h * 8 / 100.0);
    // The rule as wide as a thin pen on paper (a pen of one device pixel is a hairline a
    // high-resolution printer hardly shows); both headings stand on it, clear of it by a
    // fifth of a row.
    const int ruleWidth = std::max(1, nearest(h * 0.1 / 100));
    p.setPen(QPen(Qt::black, ruleWidth));
    p.drawLine(mx, my, w - mx, my);
    const int gap = ruleWidth / 2 + std::max(1, nearest(h * 0.4 / 100));
    p.setFont(arial(nearest(h * 1.5 / 100), false));
    textOnRule(p, mx, my, gap, QStringLiteral("Quillmoor Backup"));
    p.setFont(arial(nearest(h * 3 / 100.0), true));
    const QString title = QStringLiteral("Activity Summary Report");
    textOnRule(p, w - mx - QFontMetrics(p.font()).horizontalAdvance(title), my, gap, title);
    const int rowHeight = nearest(h * 2 / 100.0);
    p.setFont(arial(rowHeight, true));
    int k = 0;
    for (const TActivityRow& row : ActivityRows(record)) {
        const int y = 2 * my + k++ * rowHeight;
        textAt(p, mx, y, QString::fromLatin1(row.caption));
        textAt(p, 8 * mx, y, QString::fromStdString(row.value));
    }
    if (!p.end())
        return kPrintFailed;
    return printer.printerState() == QPrinter::Error ? kPrintFailed : std::string();
}

std::string PrintActivityOnDefaultPrinter(const TActivityRecord& record) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return kNoPrinter;
    QPrinter printer(info, QPrinter::HighResolution);
    return PrintActivity(record, printer);
}

} // namespace qm
