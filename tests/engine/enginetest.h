#pragma once
// Test scaffolding for engine tests: a sandbox with C: and the media drive E:, a fixed
// clock, a fresh engine state, a recorded progress procedure, and a job aimed at E:
// with logging into the sandbox.

#include "engine/backupjob.h"
#include "engine/enginestate.h"
#include "platform/datetime.h"
#include "platform/fileio.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm::test {

// Installs a file change gate for the length of a scope (see setFileChangeGate).
class ChangeGate {
  public:
    explicit ChangeGate(FileChangeGate gate, GateScope scope = GateScope::ChangesOnly) {
        setFileChangeGate(std::move(gate), scope);
    }
    ~ChangeGate() { setFileChangeGate(nullptr); }
    ChangeGate(const ChangeGate&) = delete;
    ChangeGate& operator=(const ChangeGate&) = delete;
};

struct ProgressCall {
    int32_t filesDone;
    bool listMode;
    int64_t fileSize, fileBytesDone, bytesDone;
};

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() {
        Engine().Reset();
        Engine().ProgressProc = [this](int32_t f, bool l, int64_t s, int64_t fb, int64_t b) {
            progress.push_back({f, l, s, fb, b});
        };
        Engine().SleepProc = [](int) {};
        setClock([] { return encodeDateTime({2026, 12, 7, 23, 15, 22, 0}); });
        job.SetDestination('E');
        job.SetLogSave(true);
        job.LogFileName = "C:\\Program\\Log.txt";
        sandbox.writeFile("C:\\Program\\placeholder", "");
    }
    ~EngineTest() override {
        Engine().Reset();
        // Callbacks that capture this test must not outlive it into the next one.
        Engine().ProgressProc = nullptr;
        Engine().AskPasswordProc = nullptr;
        Engine().ProcessMessagesProc = nullptr;
        Engine().SleepProc = nullptr;
        // A test that stands in a case-folding medium must not leave later tests one.
        Engine().MediaFoldsCaseProc = nullptr;
        Engine().MediaKeepsModesProc = nullptr;
    }

    // The run log as lines without their CR LF.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string text = sandbox.readFile(job.LogFileName).value_or("");
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    static constexpr const char* kNow = "12/7/2026 11:15:22 PM";

    Sandbox sandbox;
    TBackUpJob job;
    std::vector<ProgressCall> progress;
};

} // namespace qm::test
