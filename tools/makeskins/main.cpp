// Paints the skin pictures of the three programs' small windows and writes the two
// outlines of the main window. Run once after changing the look and commit the output:
//     makeskins <repository folder>
// Pictures go to assets/skins/*.jpg, outlines to assets/regions/REGION1 and REGION2.

#include "controls/buttonface.h"
#include "platform/regiondata.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>
#include <vector>

namespace {

using qm::RegionData;
using qm::RegionRect;

const QColor kPanel(124, 146, 193);
const QColor kDeep(46, 62, 102);
const QColor kMist(214, 224, 240);
const QColor kGlow(240, 214, 150);

QString gOut;

bool save(const QImage& image, const QString& name) {
    const QString path = gOut + "/assets/skins/" + name + ".jpg";
    if (!image.save(path, "JPG", 92)) {
        std::fprintf(stderr, "makeskins: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage canvas(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QFont face(int pixelSize, bool bold = true) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A rounded button face on the panel colour; the hover face is lit from below.
QImage buttonFace(int w, int h, const QString& caption, bool hover, int textPixels = 12) {
    return qm::paintButtonFace(QSize(w, h), caption, hover, textPixels);
}

bool buttonPair(const QString& name, int w, int h, const QString& caption, int textPixels = 12) {
    return save(buttonFace(w, h, caption, false, textPixels), name) &&
           save(buttonFace(w, h, caption, true, textPixels), name + "_hover");
}

QImage frameEdge(int w, int h, Qt::Orientation along) {
    QImage image = canvas(w, h, kDeep);
    QPainter p(&image);
    QLinearGradient g =
        along == Qt::Horizontal ? QLinearGradient(0, 0, 0, h) : QLinearGradient(0, 0, w, 0);
    g.setColorAt(0, QColor(70, 90, 138));
    g.setColorAt(1, QColor(98, 118, 166));
    p.fillRect(image.rect(), g);
    return image;
}

// A calm background with a soft light in one corner.
void paintBackdrop(QPainter& p, const QRect& r) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(96, 118, 168));
    g.setColorAt(1, QColor(58, 76, 122));
    p.fillRect(r, g);
    QRadialGradient light(r.right() - r.width() / 5.0, r.top() + r.height() / 4.0, r.width() / 2.0);
    light.setColorAt(0, QColor(255, 255, 255, 60));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(r, light);
}

// The product mark: a stacked-discs emblem standing for copies kept side by side.
void paintMark(QPainter& p, QPointF centre, qreal size) {
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 2; i >= 0; --i) {
        QRectF disc(centre.x() - size / 2, centre.y() - size / 4 + i * size / 6 - size / 6, size,
                    size / 2.6);
        p.setPen(QPen(kDeep, qMax(1.0, size / 30)));
        p.setBrush(i == 0 ? kGlow : kMist);
        p.drawEllipse(disc);
    }
}

bool waitPage(const QString& name, const QString& text) {
    QImage image(331, 115, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    paintMark(p, QPointF(52, 58), 54);
    p.setPen(Qt::white);
    p.setFont(face(15));
    // A caption wider than its room wraps onto a second line above, never past the edge.
    const QRect room(96, 14, 225, 46);
    const int flags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap;
    if (p.boundingRect(room, flags, text).width() > room.width()) {
        std::fprintf(stderr, "makeskins: \"%s\" does not fit its wait picture\n", qPrintable(text));
        return false;
    }
    p.drawText(room, flags, text);
    p.setFont(face(11, false));
    p.setPen(kMist);
    p.drawText(QRect(96, 62, 225, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Please wait..."));
    p.end();
    return save(image, name);
}

bool reminderBack() {
    QImage image(195, 68, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    p.setRenderHint(QPainter::Antialiasing);
    // The close symbol under the 17 x 17 hot spot at the top right.
    QRectF close(174.5, 4.5, 16, 16);
    p.setPen(QPen(kMist, 1));
    p.setBrush(QColor(70, 90, 138));
    p.drawRoundedRect(close, 3, 3);
    p.setPen(QPen(Qt::white, 1.6));
    p.drawLine(QPointF(178.5, 8.5), QPointF(186.5, 16.5));
    p.drawLine(QPointF(186.5, 8.5), QPointF(178.5, 16.5));
    paintMark(p, QPointF(156, 46), 30);
    p.setPen(Qt::white);
    p.setFont(face(10));
    p.drawText(QRect(6, 3, 165, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Time for a backup"));
    p.end();
    return save(image, QStringLiteral("reminder_back"));
}

bool splash() {
    QImage image(450, 300, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    paintMark(p, QPointF(225, 112), 120);
    p.setPen(Qt::white);
    p.setFont(face(30));
    p.drawText(QRect(0, 186, 450, 44), Qt::AlignCenter, QStringLiteral("Quillmoor"));
    p.setFont(face(14, false));
    p.setPen(kMist);
    p.drawText(QRect(0, 228, 450, 24), Qt::AlignCenter, QStringLiteral("Backup"));
    p.end();
    return save(image, QStringLiteral("splash"));
}

// The background of setup's wizard and uninstall windows: a header band with the mark
// and the title; the pages and labels stand on the lower part.
bool setupBackground(int w, int h, const QString& title, const QString& name) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kMist, 1));
    p.drawLine(QPointF(16, 86.5), QPointF(w - 16, 86.5));
    paintMark(p, QPointF(56, 44), 56);
    p.setPen(Qt::white);
    p.setFont(face(24));
    p.drawText(QRect(100, 18, w - 120, 34), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setFont(face(12, false));
    p.setPen(kMist);
    p.drawText(QRect(100, 50, w - 120, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quillmoor Backup Software 1.40"));
    p.end();
    return save(image, name);
}

bool appIcon() {
    QImage image(32, 32, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    paintMark(p, QPointF(16, 17), 24);
    p.end();
    return save(image, QStringLiteral("icon_app"));
}

bool folderIcon() {
    QImage image = canvas(16, 16, kPanel);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kDeep, 1));
    p.setBrush(kGlow);
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6.5, 3.5);
    path.lineTo(8, 5.5);
    path.lineTo(14.5, 5.5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
    p.end();
    return save(image, QStringLiteral("icon_folder"));
}

bool dropDown() {
    for (bool hover : {false, true}) {
        QImage image = buttonFace(17, 21, QString(), hover);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kDeep);
        p.drawPolygon(QPolygonF({QPointF(4.5, 8.5), QPointF(12.5, 8.5), QPointF(8.5, 13.5)}));
        p.end();
        if (!save(image, hover ? "button_dropdown_hover" : "button_dropdown"))
            return false;
    }
    return true;
}

// The spin buttons beside the number edits of the Settings page: a triangle pointing up
// (more) or down (less) on a button face, 17 x 11.
bool spinButtons() {
    for (bool hover : {false, true}) {
        for (bool up : {true, false}) {
            QImage image = buttonFace(17, 11, QString(), hover);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(kDeep);
            const qreal tip = up ? 3 : 8, base = up ? 8 : 3;
            p.drawPolygon(QPolygonF({QPointF(4.5, base), QPointF(12.5, base), QPointF(8.5, tip)}));
            p.end();
            const QString name =
                QString(up ? "button_spin_up" : "button_spin_down") + (hover ? "_hover" : "");
            if (!save(image, name))
                return false;
        }
    }
    return true;
}

// The main window's title strip, 48 pixels high. Its outline keeps a tab at the top
// left (x 4 to 189, from row 5) and the full width only from row 23, so the name sits in
// the tab and the band below runs the whole width; the rest is cut away.
constexpr int kTitleHeight = 48;
constexpr int kBandTop = 23;

void paintTitleBand(QPainter& p, int w) {
    QLinearGradient band(0, kBandTop, 0, kTitleHeight);
    band.setColorAt(0, QColor(70, 90, 138));
    band.setColorAt(1, kDeep);
    p.fillRect(QRect(0, kBandTop, w, kTitleHeight - kBandTop), band);
    p.setPen(kGlow);
    p.drawLine(0, kTitleHeight - 1, w, kTitleHeight - 1);
}

bool mainTitle() {
    QImage left = canvas(205, kTitleHeight, kPanel);
    QPainter p(&left);
    paintTitleBand(p, 205);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(4, 5, 186, 40), 8, 8);
    QLinearGradient tabFill(0, 5, 0, kBandTop + 4);
    tabFill.setColorAt(0, QColor(98, 118, 166));
    tabFill.setColorAt(1, QColor(70, 90, 138));
    QPainterPath above;
    above.addRect(QRectF(0, 0, 205, kBandTop + 1));
    p.fillPath(tab.intersected(above), tabFill);
    paintMark(p, QPointF(20, 14), 18);
    p.setPen(Qt::white);
    p.setFont(face(13));
    p.drawText(QRect(34, 5, 150, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quillmoor Backup"));
    p.end();
    QImage middle = canvas(16, kTitleHeight, kPanel);
    QPainter m(&middle);
    paintTitleBand(m, 16);
    m.end();
    QImage right = canvas(46, kTitleHeight, kPanel);
    QPainter r(&right);
    paintTitleBand(r, 46);
    r.end();
    return save(left, "main_title_left") && save(middle, "main_title_middle") &&
           save(right, "main_title_right");
}

// The left menu's background, as high as the menu of the larger window.
bool mainMenuBack() {
    QImage image(150, 700, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 150, 0);
    g.setColorAt(0, QColor(58, 76, 122));
    g.setColorAt(1, QColor(84, 104, 152));
    p.fillRect(image.rect(), g);
    p.setPen(QColor(150, 168, 210));
    p.drawLine(149, 0, 149, 699);
    p.end();
    return save(image, "main_menu_back");
}

// The two caption-bar buttons: a bar for minimise, a cross for close.
bool captionButtons() {
    for (bool hover : {false, true}) {
        QImage minimize = buttonFace(21, 21, QString(), hover);
        QPainter m(&minimize);
        m.fillRect(QRect(6, 13, 9, 2), kDeep);
        m.end();
        QImage close = buttonFace(21, 21, QString(), hover);
        QPainter c(&close);
        c.setRenderHint(QPainter::Antialiasing);
        c.setPen(QPen(kDeep, 2));
        c.drawLine(QPointF(6.5, 6.5), QPointF(14.5, 14.5));
        c.drawLine(QPointF(14.5, 6.5), QPointF(6.5, 14.5));
        c.end();
        const QString suffix = hover ? "_hover" : "";
        if (!save(minimize, "main_minimize" + suffix) || !save(close, "main_close" + suffix))
            return false;
    }
    return true;
}

struct CaptionedButton {
    const char* skin;
    int w, h;
    const char* caption;
    int textPixels;
};

const CaptionedButton kMainButtons[] = {
    {"main_btn_backup", 142, 30, "Backup", 13},
    {"main_btn_restore", 142, 30, "Restore", 13},
    {"main_btn_reports", 142, 30, "Reports", 13},
    {"main_btn_tools", 142, 30, "Synchronize", 13},
    {"main_btn_options", 142, 30, "Settings", 13},
    {"main_btn_help", 142, 30, "Help", 13},
    {"main_btn_drives", 142, 30, "Drives", 13},
    {"main_btn_exit", 142, 30, "Close", 13},
    {"welcome_backup", 260, 34, "Back up your files", 14},
    {"welcome_restore", 260, 34, "Restore your files", 14},
    {"welcome_sync", 260, 34, "Synchronize your files", 14},
    {"welcome_settings", 260, 34, "View/change settings", 14},
    {"welcome_help", 260, 34, "Get help", 14},
    {"welcome_exit", 260, 34, "Close Quillmoor", 14},
};

bool mainButtons() {
    for (const CaptionedButton& b : kMainButtons)
        if (!buttonPair(b.skin, b.w, b.h, b.caption, b.textPixels))
            return false;
    return true;
}

// The welcome page's logo strip: the maker's mark and three product marks on it.
QImage logoFace(int w, int h, const QString& caption, bool hover, qreal markSize) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    if (hover)
        p.fillRect(image.rect(), QColor(255, 255, 255, 40));
    paintMark(p, QPointF(w / 2.0, h / 2.0 - markSize / 5), markSize);
    p.setPen(Qt::white);
    p.setFont(face(11));
    p.drawText(QRect(0, h - 17, w, 15), Qt::AlignCenter, caption);
    p.end();
    return image;
}

bool welcomeLogos() {
    QImage back(434, 80, QImage::Format_RGB32);
    QPainter p(&back);
    paintBackdrop(p, back.rect());
    p.setPen(QColor(150, 168, 210));
    p.drawRect(back.rect().adjusted(0, 0, -1, -1));
    p.end();
    if (!save(back, "welcome_logo_back"))
        return false;
    struct Logo {
        const char* skin;
        int w, h;
        const char* caption;
        qreal mark;
    };
    const Logo logos[] = {
        {"logo_maker", 120, 64, "Quillmoor", 40},
        {"logo_backup", 90, 56, "Backup", 30},
        {"logo_sync", 90, 56, "Sync", 30},
        {"logo_updates", 90, 56, "Updates", 30},
    };
    for (const Logo& l : logos)
        if (!save(logoFace(l.w, l.h, l.caption, false, l.mark), l.skin) ||
            !save(logoFace(l.w, l.h, l.caption, true, l.mark), QString(l.skin) + "_hover"))
            return false;
    return buttonPair("logo_small", 80, 18, "Quillmoor", 11);
}

// The updater's window: a title band with the mark, the inner panel for the pages and a
// darker strip at the bottom where the outline keeps room for the buttons.
bool updaterBack() {
    QImage image(402, 239, QImage::Format_RGB32);
    QPainter p(&image);
    paintBackdrop(p, image.rect());
    paintMark(p, QPointF(34, 24), 30);
    p.setPen(Qt::white);
    p.setFont(face(16));
    p.drawText(QRect(58, 8, 320, 32), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Quillmoor Updater"));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 168, 210), 1));
    p.setBrush(QColor(0x81, 0x95, 0xC2)); // the inner panel colour
    p.drawRoundedRect(QRectF(12.5, 44.5, 377, 153), 8, 8);
    p.setPen(kGlow);
    p.drawLine(70, 200, 332, 200);
    p.end();
    return save(image, QStringLiteral("updater_back"));
}

bool updaterBars() {
    QImage frame(250, 17, QImage::Format_RGB32);
    QPainter f(&frame);
    f.fillRect(frame.rect(), kDeep);
    f.setPen(QColor(150, 168, 210));
    f.drawRect(frame.rect().adjusted(0, 0, -1, -1));
    f.fillRect(frame.rect().adjusted(3, 3, -3, -3), QColor(70, 90, 138));
    f.end();
    QImage bar(242, 9, QImage::Format_RGB32);
    QPainter b(&bar);
    QLinearGradient g(0, 0, 0, 9);
    g.setColorAt(0, QColor(250, 236, 196));
    g.setColorAt(1, kGlow.darker(115));
    b.fillRect(bar.rect(), g);
    b.end();
    return save(frame, QStringLiteral("updater_bar_frame")) &&
           save(bar, QStringLiteral("updater_bar"));
}

// The updater's tray icon in five frames: an arrow over a strip that fills as files arrive.
bool updaterTrayIcons() {
    for (int frame = 0; frame < 5; ++frame) {
        QImage image(32, 32, QImage::Format_RGB32);
        QPainter p(&image);
        paintBackdrop(p, image.rect());
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(12, 3), QPointF(20, 3), QPointF(20, 12), QPointF(25, 12),
                                 QPointF(16, 21), QPointF(7, 12), QPointF(12, 12)}));
        p.fillRect(QRect(4, 24, 24, 5), kDeep);
        p.fillRect(QRect(5, 25, (frame + 1) * 22 / 5, 3), kGlow);
        p.end();
        if (!save(image, QStringLiteral("updater_tray_%1").arg(frame)))
            return false;
    }
    return true;
}

// The main window's outline: each listed row's span [from, to) holds down to the next
// listed row.
struct Row {
    int y, from, to;
};

const std::vector<Row> kSmallOutline = {
    {5, 10, 166},   {6, 8, 169},     {7, 6, 171},     {8, 6, 172},     {9, 5, 173},
    {10, 5, 174},   {11, 4, 175},    {12, 4, 176},    {13, 4, 177},    {14, 4, 178},
    {15, 4, 179},   {16, 4, 180},    {17, 4, 181},    {18, 4, 182},    {19, 4, 183},
    {20, 4, 184},   {21, 4, 186},    {22, 4, 189},    {23, 4, 783},    {24, 4, 785},
    {25, 4, 786},   {26, 3, 787},    {27, 2, 788},    {28, 1, 789},    {29, 0, 789},
    {30, 0, 790},   {550, 1, 790},   {552, 2, 790},   {554, 3, 790},   {555, 5, 790},
    {556, 7, 790},  {557, 9, 790},   {558, 13, 790},  {559, 24, 790},  {560, 29, 790},
    {561, 36, 789}, {562, 42, 789},  {563, 48, 789},  {564, 54, 788},  {565, 60, 788},
    {566, 66, 788}, {567, 73, 787},  {568, 79, 786},  {569, 84, 786},  {570, 89, 785},
    {571, 92, 784}, {572, 93, 783},  {573, 95, 782},  {574, 96, 781},  {575, 97, 780},
    {576, 99, 778}, {577, 101, 776}, {578, 103, 775}, {579, 105, 772},
};

std::vector<RegionRect> expandRows(const std::vector<Row>& rows, int lastRow) {
    std::vector<RegionRect> rects;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int end = i + 1 < rows.size() ? rows[i + 1].y : lastRow + 1;
        for (int y = rows[i].y; y < end; ++y)
            rects.push_back({rows[i].from, y, rows[i].to, y + 1});
    }
    return rects;
}

RegionData smallOutline() {
    return {{0, 5, 790, 580}, expandRows(kSmallOutline, 579)};
}

// The larger window: the same tab, 220 pixels more width, 170 more rows of full width.
RegionData largeOutline() {
    const RegionData small = smallOutline();
    RegionData large{{0, 5, 1010, 750}, {}};
    auto widened = [](RegionRect r) {
        if (r.right > 189)
            r.right += 220;
        return r;
    };
    for (const RegionRect& r : small.rects)
        if (r.top < 30)
            large.rects.push_back(widened(r));
    for (int y = 30; y < 720; ++y)
        large.rects.push_back({0, y, 1010, y + 1});
    for (const RegionRect& r : small.rects) {
        if (r.top < 550)
            continue;
        RegionRect moved = widened(r);
        moved.top += 170;
        moved.bottom += 170;
        large.rects.push_back(moved);
    }
    return large;
}

bool writeOutline(const QString& name, const RegionData& data) {
    const std::vector<uint8_t> bytes = qm::writeRegionData(data);
    QFile file(gOut + "/assets/regions/" + name);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size())) {
        std::fprintf(stderr, "makeskins: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeskins <repository folder>\n");
        return 2;
    }
    gOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(gOut + "/assets/skins");
    QDir().mkpath(gOut + "/assets/regions");
    bool ok =
        save(frameEdge(360, 12, Qt::Horizontal), "frame_top") &&
        save(frameEdge(360, 9, Qt::Horizontal), "frame_bottom") &&
        save(frameEdge(8, 143, Qt::Vertical), "frame_left") &&
        save(frameEdge(7, 143, Qt::Vertical), "frame_right") &&
        buttonPair("button_ok", 84, 25, "OK") && buttonPair("button_cancel", 84, 25, "Cancel") &&
        buttonPair("button_yes", 95, 25, "Yes") && buttonPair("button_no", 95, 25, "No") &&
        buttonPair("button_browse", 26, 24, "...") &&
        buttonPair("button_backup", 118, 19, "Backup now") &&
        buttonPair("button_reminder_off", 118, 19, "Don't remind me") &&
        buttonPair("button_apply", 84, 25, "Apply") &&
        buttonPair("button_default", 84, 25, "Default") && spinButtons() && dropDown() &&
        reminderBack() && splash() && appIcon() && folderIcon() &&
        setupBackground(629, 598, "Quillmoor Setup", "setup_background") &&
        setupBackground(628, 468, "Quillmoor Uninstall", "uninstall_background") &&
        buttonPair("button_back", 84, 25, "<< Back") &&
        buttonPair("button_next", 84, 25, "Next >>") && buttonPair("button_exit", 84, 25, "Exit") &&
        buttonPair("button_uninstall", 84, 25, "Uninstall") &&
        waitPage("wait_dir", "Reading the media catalogue") &&
        waitPage("wait_rep", "Loading the reports") &&
        waitPage("wait_load", "Loading the selection") &&
        waitPage("wait_save", "Saving the selection") &&
        waitPage("wait_contents", "Building the folder tree") && mainTitle() && mainMenuBack() &&
        captionButtons() && mainButtons() && welcomeLogos() && captionButtons() && mainButtons() &&
        welcomeLogos() && updaterBack() && updaterBars() && updaterTrayIcons() &&
        buttonPair("updater_yes", 95, 25, "Yes") && buttonPair("updater_no", 95, 25, "No") &&
        buttonPair("updater_stop", 95, 25, "Stop") &&
        buttonPair("updater_background", 110, 25, "Background") &&
        writeOutline("REGION1", smallOutline()) && writeOutline("REGION2", largeOutline());
    return ok ? 0 : 1;
}
