// Fuzz body for the answer file: the input is the file QUILLMOOR_ANSWERS names. The
// script loads it, then answers each of its lines asked back as a question of each
// kind, and one text question. Every question gets exactly one record, every message
// box result is one its kind offers, and the log gets one line per question.

#include "fuzz/fuzzentries.h"

#include "fuzz/fuzzsandbox.h"
#include "platform/answerscript.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace qm::fuzz {

namespace {

// Questions asked per input.
constexpr size_t kMaxQuestions = 32;

size_t LogLineCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    return static_cast<size_t>(std::count(s.begin(), s.end(), '\n'));
}

} // namespace

int FuzzAnswerScript(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    const std::string contents(reinterpret_cast<const char*>(data), size);
    const std::string file = sandbox.root() + "/home/answers.txt";
    const std::string log = sandbox.root() + "/home/answers.log";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }
    setenv("QUILLMOOR_ANSWERS", file.c_str(), 1);
    setenv("QUILLMOOR_ANSWERS_LOG", log.c_str(), 1);
    AnswerScript& script = AnswerScript::instance();
    script.reset();
    script.loadFromEnvironment();
    Require(script.active(), "a loaded answer file starts script mode");

    size_t asked = 0;
    std::string_view rest = contents;
    while (!rest.empty() && asked < kMaxQuestions) {
        const size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view question = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const int kind = static_cast<int>(asked % 3);
        std::optional<int> result = script.answerMessage(kind, question);
        Require(result && AnswerScript::resultAllowed(kind, *result),
                "a message box gets a result its kind offers");
        ++asked;
    }
    std::optional<AnswerScript::TextAnswer> text = script.answerText(contents.substr(0, 64));
    Require(text.has_value(), "a text question is answered in script mode");
    ++asked;
    Require(script.records().size() == asked, "every question gets one record");
    Require(LogLineCount(log) == asked, "every question gets one log line");
    script.reset();
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
