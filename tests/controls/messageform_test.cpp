#include "controls/messageform.h"

#include "controls/imageregion.h"
#include "controls/wraplabel.h"
#include "platform/answerscript.h"

#include <gtest/gtest.h>

#include <QStackedWidget>
#include <QTest>
#include <QTimer>

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
                                           ButtonRow{2, "ImageRegion4", 7}));

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
