#pragma once
// A message function for the window models that records every message and answers
// questions from a queue (No when the queue is empty).

#include "app/common/messagefn.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qm::test {

struct ScriptedMessages {
    std::vector<std::string> shown;
    std::deque<int> answers;
    // Runs while a message is up, as events arriving under a modal window would.
    std::function<void()> whileShown;

    MessageFn fn() {
        return [this](int kind, const std::string& text) {
            shown.push_back(text);
            if (whileShown)
                whileShown();
            if (kind != 2)
                return 1;
            if (answers.empty())
                return 7;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }
};

} // namespace qm::test
