#pragma once
// Answers for message boxes and questions when the programs run without a person in
// front of them (tests, headless demo runs). Every window that asks something consults
// the process-wide script first; only when the script is not active does a window show.
//
// Script mode starts either in process (addAnswer / start) or from the environment:
// QUILLMOOR_ANSWERS names a file of lines "<part of the question text>=<answer>"
// ('#' starts a comment line). Each line answers one question, first matching unused
// line first. QUILLMOOR_ANSWERS_LOG names a file that receives one line per question,
// "<kind>|<answer>|<text>" (line ends inside the text written as blanks), so a parent
// process can check what its child asked.
// A question that no line answers is a loud failure on stderr, counted, and gets the
// safe answer (Cancel or No); it never waits for input.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct AnswerRecord {
    int kind = 0;         // message box kind, or kTextQuestion
    std::string text;     // the question as asked
    std::string answer;   // the answer given
    bool scripted = true; // false when the safe answer stood in for a missing line
};

class AnswerScript {
  public:
    // The kind recorded for questions answered with a text (input dialog, folder picker).
    static constexpr int kTextQuestion = -1;

    static AnswerScript& instance();

    // Reads QUILLMOOR_ANSWERS (if set) and enters script mode. Called on first use.
    void loadFromEnvironment();
    // Leaves script mode and forgets all answers and records.
    void reset();
    // Enters script mode without any answer yet (every question then fails loudly).
    void start();
    bool active() const;

    // Adds an answer line in process; enters script mode.
    void addAnswer(std::string textPart, std::string answer);
    // Parses the lines of an answer file; malformed lines are reported on stderr and
    // skipped. Returns the number of malformed lines.
    int addLines(std::string_view contents);

    // The scripted result of a message box of `kind` (0 OK, 1 OK/Cancel, 2 Yes/No) with
    // `text`, or nothing when the script is not active. An answer that the kind does not
    // offer counts as missing.
    std::optional<int> answerMessage(int kind, std::string_view text);
    // The scripted text for a question such as an input prompt. `answered` false means
    // the safe answer (cancel) stands. Nothing when the script is not active.
    struct TextAnswer {
        bool answered = false;
        std::string text;
    };
    std::optional<TextAnswer> answerText(std::string_view question);

    // Every question asked in script mode, in order.
    std::vector<AnswerRecord> records() const;
    // Questions that no line answered.
    int failures() const;
    // Answer lines that were never used.
    std::vector<std::string> unusedAnswers() const;

    // The safe result of a message box kind: OK for a notice, Cancel, No.
    static int safeResult(int kind);
    static bool resultAllowed(int kind, int result);

  private:
    AnswerScript() = default;
    struct Line {
        std::string textPart;
        std::string answer;
        bool used = false;
    };
    Line* takeLine(std::string_view text);
    void record(AnswerRecord entry);

    mutable std::mutex mutex_;
    bool active_ = false;
    std::vector<Line> lines_;
    std::vector<AnswerRecord> records_;
    int failures_ = 0;
    std::string logPath_;
};

} // namespace qm
