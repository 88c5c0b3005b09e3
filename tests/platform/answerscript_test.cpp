#include "platform/answerscript.h"

#include "support/rowname.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace qm {
namespace {

class AnswerScriptTest : public ::testing::Test {
  protected:
    void SetUp() override { script().reset(); }
    void TearDown() override { script().reset(); }
    static AnswerScript& script() { return AnswerScript::instance(); }
};

TEST_F(AnswerScriptTest, InactiveScriptAnswersNothing) {
    EXPECT_FALSE(script().answerMessage(2, "Delete?").has_value());
    EXPECT_FALSE(script().answerText("Enter file name:").has_value());
    EXPECT_TRUE(script().records().empty());
}

TEST_F(AnswerScriptTest, LinesAnswerInOrderAndAreUsedOnce) {
    ASSERT_EQ(script().addLines("# comment\n\nreinstall=6\nreinstall=7\nfile name:=a.txt\r\n"), 0);
    EXPECT_EQ(
        script().answerMessage(2, "Program already installed. Do you want to reinstall program?"),
        6);
    EXPECT_EQ(script().answerMessage(2, "Do you want to reinstall program?"), 7);
    auto text = script().answerText("Enter file name:");
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->answered);
    EXPECT_EQ(text->text, "a.txt");
    EXPECT_EQ(script().failures(), 0);
    EXPECT_TRUE(script().unusedAnswers().empty());
    ASSERT_EQ(script().records().size(), 3u);
    EXPECT_EQ(script().records()[1].answer, "7");
}

TEST_F(AnswerScriptTest, QuestionTextMayHoldEqualsSign) {
    script().addLines("size=5 Kb?=1\n");
    EXPECT_EQ(script().answerMessage(1, "Is size=5 Kb? ok"), 1);
}

struct UnansweredRow {
    int kind;
    int expected;
    int failures;
};

class UnansweredTest : public AnswerScriptTest,
                       public ::testing::WithParamInterface<UnansweredRow> {};

TEST_P(UnansweredTest, GetsTheSafeAnswerAndCountsAsFailure) {
    script().start();
    const UnansweredRow row = GetParam();
    EXPECT_EQ(script().answerMessage(row.kind, "nobody answers this"), row.expected);
    EXPECT_EQ(script().failures(), row.failures);
    ASSERT_EQ(script().records().size(), 1u);
    EXPECT_FALSE(script().records()[0].scripted);
}

// A notice can only be acknowledged, so it needs no line; questions do.
INSTANTIATE_TEST_SUITE_P(Kinds, UnansweredTest,
                         ::testing::Values(UnansweredRow{0, 1, 0}, UnansweredRow{1, 2, 1},
                                           UnansweredRow{2, 7, 1}),
                         qm::test::RowsNamedBy([](const UnansweredRow& row) {
                             return "kind_" + std::to_string(row.kind);
                         }));

TEST_F(AnswerScriptTest, AnswerTheKindDoesNotOfferFallsBackToSafeAnswer) {
    script().addAnswer("Sure?", "6");
    EXPECT_EQ(script().answerMessage(1, "Sure?"), 2); // OK/Cancel has no Yes
    EXPECT_EQ(script().failures(), 1);
    script().addAnswer("Really?", "yes");
    EXPECT_EQ(script().answerMessage(2, "Really?"), 7);
    EXPECT_EQ(script().failures(), 2);
}

TEST_F(AnswerScriptTest, UnansweredTextQuestionCancels) {
    script().start();
    auto text = script().answerText("Enter file extension (do not include dot):");
    ASSERT_TRUE(text.has_value());
    EXPECT_FALSE(text->answered);
    EXPECT_EQ(script().failures(), 1);
}

TEST_F(AnswerScriptTest, MalformedLinesAreReportedAndSkipped) {
    EXPECT_EQ(script().addLines("no separator here\n=6\nok=1\n"), 2);
    EXPECT_EQ(script().unusedAnswers(), std::vector<std::string>{"ok=1"});
}

TEST_F(AnswerScriptTest, ChildProcessReadsFileAndLogsEveryQuestion) {
    test::Sandbox sandbox;
    const std::string answers = sandbox.root() + "/answers.txt";
    const std::string log = sandbox.root() + "/answers.log";
    std::ofstream(answers) << "delete all reports=6\n";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("QUILLMOOR_ANSWERS", answers.c_str(), 1);
        setenv("QUILLMOOR_ANSWERS_LOG", log.c_str(), 1);
        AnswerScript& s = AnswerScript::instance();
        s.reset();
        s.loadFromEnvironment();
        int first = *s.answerMessage(2, "Are you sure you want to delete all reports?");
        int second = *s.answerMessage(2, "Are you sure you want to exit?");
        int third = *s.answerMessage(0, "C:\\a.doc is encrypted.\r\nSkipped.\nDone\r");
        _exit(first == 6 && second == 7 && third == 1 && s.failures() == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream in(log);
    std::stringstream lines;
    lines << in.rdbuf();
    EXPECT_EQ(lines.str(), "2|6|Are you sure you want to delete all reports?\n"
                           "2|7|Are you sure you want to exit?\n"
                           "0|1|C:\\a.doc is encrypted. Skipped. Done \n");
}

} // namespace
} // namespace qm
