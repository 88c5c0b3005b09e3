#include "app/common/pathelide.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace qm {
namespace {

const QChar kEllipsis(0x2026);

// Long texts at widths that hold the parts kept but not the folders: the result fits,
// keeps what comes before the path and everything from the file name on, and loses only
// folders.
TEST(PathElide, FoldersGiveWayToTheNameAndTheResult) {
    const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), 9));
    const QString dosFolders = QStringLiteral("Users\\someone\\Documents\\Projects\\2026\\");
    const QString hostFolders = QStringLiteral("home/someone/Documents/Projects/2026/");
    struct Row {
        const char* name;
        QString head; // kept from the start
        QString folders;
        QString tail; // kept at the end
    };
    const Row rows[] = {
        {"a file's path", QStringLiteral("C:\\"), dosFolders,
         QStringLiteral("\\quarterly report.xlsx")},
        {"a backup log line", QStringLiteral("12/7/2026 3:05:09 PM C:\\"), dosFolders,
         QStringLiteral("\\quarterly report.xlsx - Backup with \"Compress-No\",\"Encrypt-No\" "
                        "option successful.")},
        {"an error line with a slash in its result",
         QStringLiteral("***ERROR***12/7/2026 3:05:09 PM C:\\"), dosFolders,
         QStringLiteral("\\a.txt - file can not get file date/time (current time used).")},
        {"a host path after a word", QStringLiteral("cannot read /"), hostFolders,
         QStringLiteral("/minutes of the meeting.txt")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString& folders = row.folders;
        const QString text = row.head + folders + row.tail.mid(1);
        const int kept = metrics.horizontalAdvance(row.head + row.tail);
        for (const int room : {metrics.horizontalAdvance(QStringLiteral("Us\\so")),
                               metrics.horizontalAdvance(folders) / 2}) {
            const int width = kept + room;
            const QString shown = elideFolders(text, metrics, width);
            EXPECT_LE(metrics.horizontalAdvance(shown), width) << shown.toStdString();
            EXPECT_TRUE(shown.startsWith(row.head)) << shown.toStdString();
            EXPECT_TRUE(shown.endsWith(row.tail)) << shown.toStdString();
            EXPECT_TRUE(shown.contains(kEllipsis)) << shown.toStdString();
        }
        EXPECT_EQ(elideFolders(text, metrics, metrics.horizontalAdvance(text)), text)
            << "a text that fits stays whole";
        // Narrower than the parts kept: what comes before the name gives way too.
        const int tailWidth = metrics.horizontalAdvance(row.tail);
        const int tight =
            tailWidth + metrics.horizontalAdvance(QStringLiteral("C:\\Us") + kEllipsis);
        const QString shown = elideFolders(text, metrics, tight);
        EXPECT_LE(metrics.horizontalAdvance(shown), tight) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(row.tail)) << shown.toStdString();
        EXPECT_TRUE(shown.startsWith(row.head.left(1))) << shown.toStdString();
        // Narrower than the name and what follows it: they alone, losing their middle.
        const QString narrow = elideFolders(text, metrics, tailWidth * 3 / 4);
        EXPECT_LE(metrics.horizontalAdvance(narrow), tailWidth * 3 / 4);
        EXPECT_TRUE(narrow.startsWith(kEllipsis + row.tail.left(3))) << narrow.toStdString();
        EXPECT_TRUE(narrow.endsWith(row.tail.right(3))) << narrow.toStdString();
    }
    const QString name = QStringLiteral("a rather long file name without folders.txt");
    EXPECT_EQ(elideFolders(name, metrics, 80), metrics.elidedText(name, Qt::ElideMiddle, 80));
}

} // namespace
} // namespace qm
