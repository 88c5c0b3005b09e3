#include "controls/messageform.h"

#include "controls/imageregion.h"
#include "controls/wraplabel.h"
#include "platform/answerscript.h"
#include "support/rowname.h"

#include <gtest/gtest.h>

#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <map>

namespace qm {
namespace {

struct ButtonRow {
    int kind;
    const char* button;
    int result;
};

class MessageButtonTest : public ::testing::TestWithParam<ButtonRow> {};

TEST_P(MessageButtonTest, EachButtonGivesItsResult) {
    const ButtonRow row = GetParam();
    TfrmMessage box(nullptr, "Text", row.kind);
    auto* pages = box.findChild<QStackedWidget*>("PageControl1");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->currentWidget()->objectName().toStdString(),
              TMessageFormModel(row.kind, {}).pageName());
    auto* button = pages->currentWidget()->findChild<TImageRegion*>(row.button);
    ASSERT_NE(button, nullptr);
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    EXPECT_EQ(box.exec(), row.result);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageButtonTest,
                         ::testing::Values(ButtonRow{0, "imr_Ok", 1}, ButtonRow{1, "imr_Ok_", 1},
                                           ButtonRow{1, "imr_Cancel_", 2},
                                           ButtonRow{2, "imr_Yes", 6},
                                           ButtonRow{2, "ImageRegion4", 7}),
                         qm::test::RowsNamedBy([](const ButtonRow& row) {
                             return "kind_" + std::to_string(row.kind) + "_" + row.button;
                         }));

TEST(MessageFormModelTest, ClosingOtherwiseNeverAgrees) {
    EXPECT_EQ(TMessageFormModel(2, "").closeResult(), 7);
    EXPECT_EQ(TMessageFormModel(1, "").closeResult(), 2);
    EXPECT_EQ(TMessageFormModel(0, "").closeResult(), 2);
}

TEST(MessageFormModelTest, EnterClosesOnlyTheOkBox) {
    EXPECT_EQ(TMessageFormModel(0, "").enterResult(), 2);
    EXPECT_FALSE(TMessageFormModel(1, "").enterResult());
    EXPECT_FALSE(TMessageFormModel(2, "").enterResult());
}

TEST(MessageFormModelTest, FitGrowsThenScrolls) {
    auto fit = TMessageFormModel::fitText(30, 143, 400);
    EXPECT_EQ(fit.windowHeight, 143);
    EXPECT_EQ(fit.labelHeight, 58);
    fit = TMessageFormModel::fitText(158, 143, 400);
    EXPECT_EQ(fit.windowHeight, 243);
    EXPECT_EQ(fit.labelHeight, 158);
    EXPECT_FALSE(fit.scrolls);
    fit = TMessageFormModel::fitText(1000, 143, 400);
    EXPECT_EQ(fit.windowHeight, 400);
    EXPECT_TRUE(fit.scrolls);
}

TEST(MessageFormTest, YesNoClosedByWindowAnswersNo) {
    TfrmMessage box(nullptr, "Are you sure you want to delete all reports?", 2);
    QTimer::singleShot(0, &box, [&box] { box.close(); });
    EXPECT_EQ(box.exec(), 7);
}

TEST(MessageFormTest, EscapeDoesNothingEnterClosesOkBoxWithTwo) {
    TfrmMessage question(nullptr, "Question", 2);
    question.show();
    QTest::keyClick(&question, Qt::Key_Escape);
    QTest::keyClick(&question, Qt::Key_Return);
    EXPECT_TRUE(question.isVisible());
    TfrmMessage notice(nullptr, "Notice", 0);
    QTimer::singleShot(0, &notice, [&notice] { QTest::keyClick(&notice, Qt::Key_Return); });
    EXPECT_EQ(notice.exec(), 2);
}

TEST(MessageFormTest, LongPathIsNeverCutOff) {
    std::string path = "C:\\";
    for (int i = 0; i < 12; ++i)
        path += "AVeryLongFolderNameWithoutBlanks" + std::to_string(i) + "\\";
    TfrmMessage box(nullptr, "Can't open " + path, 0);
    auto* label = box.findChild<TWrapLabel*>("lbl_Message");
    ASSERT_NE(label, nullptr);
    box.show();
    QApplication::processEvents();
    EXPECT_GT(box.height(), 143);
    EXPECT_GE(label->height(), label->textHeight(label->width()));
    TfrmMessage shortBox(nullptr, "Short.", 0);
    EXPECT_EQ(shortBox.height(), 143);
}

TEST(MessageFormTest, LineBreaksInTheTextStartNewLines) {
    TWrapLabel label;
    label.setText(QStringLiteral("Short"));
    const int one = label.textHeight(345);
    for (const char* text : {"Short\nShort", "Short\r\nShort", "Short\rShort"}) {
        label.setText(QString::fromLatin1(text));
        EXPECT_EQ(label.textHeight(345), 2 * one) << text;
    }
}

TEST(MessageFormTest, VariantsHaveTheirSizes) {
    TfrmMessage setup(nullptr, "x", 0, TMessageStyle::setupProgram());
    EXPECT_EQ(setup.size(), QSize(362, 145));
    TfrmMessage updater(nullptr, "x", 1, TMessageStyle::updaterProgram());
    EXPECT_EQ(updater.size(), QSize(360, 143));
}

// Relative luminance and contrast ratio as web accessibility guidance defines them.
double luminance(QColor c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(MessageFormTest, TextStandsOutFromItsBackgroundInEveryStyle) {
    const std::pair<const char*, TMessageStyle> styles[] = {
        {"main", TMessageStyle::mainProgram()},
        {"setup", TMessageStyle::setupProgram()},
        {"updater", TMessageStyle::updaterProgram()},
    };
    for (const auto& [name, style] : styles) {
        TfrmMessage box(nullptr, "Your Quillmoor program is up to date.", 0, style);
        box.show();
        const QImage image = box.grab().toImage();
        auto* label = box.findChild<TWrapLabel*>("lbl_Message");
        ASSERT_NE(label, nullptr);
        const QRect area(label->mapTo(&box, QPoint(0, 0)), label->size());
        // The background is the commonest colour of the text area; the text colour the
        // one furthest from it.
        std::map<QRgb, int> counts;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ++counts[image.pixel(x, y)];
        const QColor background =
            QColor::fromRgb(std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first);
        QColor text = background;
        for (const auto& [rgb, count] : counts)
            if (contrast(QColor::fromRgb(rgb), background) > contrast(text, background))
                text = QColor::fromRgb(rgb);
        EXPECT_GE(contrast(text, background), 3.0) << name << ": text " << text.name().toStdString()
                                                   << " on " << background.name().toStdString();
        box.hide();
    }
}

TEST(ShowMessageFormTest, ScriptAnswersWithoutAWindow) {
    AnswerScript& script = AnswerScript::instance();
    script.reset();
    script.addAnswer("reinstall", "6");
    EXPECT_EQ(ShowMessageForm(2, "Program already installed. Do you want to reinstall program?"),
              6);
    EXPECT_EQ(ShowMessageForm(2, "Unscripted question?"), 7);
    EXPECT_EQ(ShowMessageForm(7, "Unknown kind is a notice"), 1);
    EXPECT_EQ(script.failures(), 1);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), QStringLiteral("frmMessage"));
    script.reset();
}

} // namespace
} // namespace qm
