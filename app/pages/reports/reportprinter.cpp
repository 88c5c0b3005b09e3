#include "app/pages/reports/reportprinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
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

} // namespace

std::string PrintActivity(const TActivityRecord& record, QPrinter& printer) {
    QPainter p;
    if (!p.begin(&printer))
        return kPrintFailed;
    const int w = printer.width();
    const int h = printer.height();
    const int mx = nearest(w * 5 / 100.0);
    const int my = nearest(h * 8 / 100.0);
    p.setPen(QPen(Qt::black));
    p.drawLine(mx, my, w - mx, my);
    int fontHeight = nearest(h * 1.5 / 100);
    p.setFont(arial(fontHeight, false));
    textAt(p, mx, my - fontHeight, QStringLiteral("Quillmoor Backup"));
    fontHeight = nearest(h * 3 / 100.0);
    p.setFont(arial(fontHeight, true));
    const QString title = QStringLiteral("Activity Summary Report");
    textAt(p, w - mx - QFontMetrics(p.font()).horizontalAdvance(title), my - fontHeight, title);
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
