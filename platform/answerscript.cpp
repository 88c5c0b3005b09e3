#include "platform/answerscript.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace qm {

namespace {

std::string_view trimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

std::optional<int> parseInt(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A log record is one line: each line end inside a question (CR LF, LF or CR) becomes
// one blank.
std::string oneLine(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += c == '\r' || c == '\n' ? ' ' : c;
    }
    return out;
}

} // namespace

AnswerScript& AnswerScript::instance() {
    static AnswerScript script;
    static bool loaded = (script.loadFromEnvironment(), true);
    (void)loaded;
    return script;
}

void AnswerScript::loadFromEnvironment() {
    const char* path = std::getenv("QUILLMOOR_ANSWERS");
    const char* log = std::getenv("QUILLMOOR_ANSWERS_LOG");
    {
        std::lock_guard lock(mutex_);
        if (log && *log)
            logPath_ = log;
    }
    if (!path || !*path)
        return;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "answerscript: FAILURE: cannot read the answer file " << path
                  << "; every question gets its safe answer\n";
        start();
        return;
    }
    std::ostringstream contents;
    contents << in.rdbuf();
    start();
    addLines(contents.str());
}

void AnswerScript::reset() {
    std::lock_guard lock(mutex_);
    active_ = false;
    lines_.clear();
    records_.clear();
    failures_ = 0;
}

void AnswerScript::start() {
    std::lock_guard lock(mutex_);
    active_ = true;
}

bool AnswerScript::active() const {
    std::lock_guard lock(mutex_);
    return active_;
}

void AnswerScript::addAnswer(std::string textPart, std::string answer) {
    std::lock_guard lock(mutex_);
    active_ = true;
    lines_.push_back({std::move(textPart), std::move(answer), false});
}

int AnswerScript::addLines(std::string_view contents) {
    int malformed = 0;
    int lineNumber = 0;
    while (!contents.empty()) {
        size_t end = contents.find('\n');
        std::string_view line = trimLineEnd(contents.substr(0, end));
        contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        // The answer follows the last '=', so the question text may hold '=' itself.
        size_t eq = line.rfind('=');
        if (eq == std::string_view::npos || eq == 0) {
            std::cerr << "answerscript: FAILURE: line " << lineNumber
                      << " is not \"<question text>=<answer>\": " << line << "\n";
            ++malformed;
            continue;
        }
        addAnswer(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    start();
    return malformed;
}

AnswerScript::Line* AnswerScript::takeLine(std::string_view text) {
    for (Line& line : lines_) {
        if (!line.used && text.find(line.textPart) != std::string_view::npos) {
            line.used = true;
            return &line;
        }
    }
    return nullptr;
}

void AnswerScript::record(AnswerRecord entry) {
    if (!logPath_.empty()) {
        std::ofstream log(logPath_, std::ios::app | std::ios::binary);
        log << entry.kind << '|' << oneLine(entry.answer) << '|' << oneLine(entry.text) << '\n';
    }
    records_.push_back(std::move(entry));
}

int AnswerScript::safeResult(int kind) {
    switch (kind) {
    case 0:
        return 1;
    case 2:
        return 7;
    default:
        return 2;
    }
}

bool AnswerScript::resultAllowed(int kind, int result) {
    switch (kind) {
    case 0:
        return result == 1 || result == 2;
    case 1:
        return result == 1 || result == 2;
    case 2:
        return result == 6 || result == 7;
    default:
        return false;
    }
}

std::optional<int> AnswerScript::answerMessage(int kind, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (!active_)
        return std::nullopt;
    Line* line = takeLine(text);
    std::optional<int> result = line ? parseInt(line->answer) : std::nullopt;
    if (result && resultAllowed(kind, *result)) {
        record({kind, std::string(text), std::to_string(*result), true});
        return result;
    }
    int safe = safeResult(kind);
    if (line) {
        std::cerr << "answerscript: FAILURE: answer \"" << line->answer
                  << "\" does not fit a message box of kind " << kind << ": " << text << "\n";
        ++failures_;
    } else if (kind != 0) {
        std::cerr << "answerscript: FAILURE: unanswered question (kind " << kind << "), answering "
                  << safe << ": " << text << "\n";
        ++failures_;
    }
    // A notice needs no line: it can only be acknowledged.
    record({kind, std::string(text), std::to_string(safe), false});
    return safe;
}

std::optional<AnswerScript::TextAnswer> AnswerScript::answerText(std::string_view question) {
    std::lock_guard lock(mutex_);
    if (!active_)
        return std::nullopt;
    if (Line* line = takeLine(question)) {
        record({kTextQuestion, std::string(question), line->answer, true});
        return TextAnswer{true, line->answer};
    }
    std::cerr << "answerscript: FAILURE: unanswered question, cancelling: " << question << "\n";
    ++failures_;
    record({kTextQuestion, std::string(question), "", false});
    return TextAnswer{false, {}};
}

std::vector<AnswerRecord> AnswerScript::records() const {
    std::lock_guard lock(mutex_);
    return records_;
}

int AnswerScript::failures() const {
    std::lock_guard lock(mutex_);
    return failures_;
}

std::vector<std::string> AnswerScript::unusedAnswers() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> unused;
    for (const Line& line : lines_)
        if (!line.used)
            unused.push_back(line.textPart + "=" + line.answer);
    return unused;
}

} // namespace qm
