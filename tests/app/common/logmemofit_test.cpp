#include "app/common/logmemofit.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace qm {
namespace {

// The Backup and Restore pages' log: every line shown within the memo's width, with its
// result, and the whole log back when the memo grows.
TEST(LogMemoFit, EveryLineKeepsItsResultWithinTheMemo) {
    QPlainTextEdit memo;
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TLogMemoFit fit(memo);
    const QString deep =
        QStringLiteral("C:\\Users\\someone\\Documents\\Projects\\Quarterly\\2026\\");
    const QString result =
        QStringLiteral(" - Backup with \"Compress-No\",\"Encrypt-No\" option successful.");
    // Room for the date, the file name and the result, not for the folders.
    const QFontMetrics metrics(memo.font());
    const int room = metrics.horizontalAdvance("12/7/2026 3:05:09 PM C:\\Users\\\\a.txt" + result);
    memo.resize(300, 150);
    memo.show();
    memo.resize(300 + room + 16 - memo.viewport()->width(), 150);
    const QString log = "12/7/2026 3:05:09 PM " + deep + "a.txt" + result +
                        "\n12/7/2026 3:05:10 PM " + deep + "b.txt" + result + "\n---end---";
    fit.setLog(log);
    EXPECT_EQ(fit.log(), log);
    const int shownWidth = memo.viewport()->width() - 2 * int(memo.document()->documentMargin());
    ASSERT_GT(shownWidth, room);
    const QStringList lines = memo.toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(lines[i].toStdString());
        EXPECT_LE(metrics.horizontalAdvance(lines[i]), shownWidth);
        EXPECT_TRUE(lines[i].endsWith((i == 0 ? "\\a.txt" : "\\b.txt") + result));
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("12/7/2026 3:05:")));
        EXPECT_TRUE(lines[i].contains(QChar(0x2026))) << "the folders gave way";
    }
    EXPECT_EQ(lines[2], QStringLiteral("---end---"));
    memo.resize(2000, 150);
    EXPECT_EQ(memo.toPlainText(), log) << "wide enough: the whole log";
}

} // namespace
} // namespace qm
