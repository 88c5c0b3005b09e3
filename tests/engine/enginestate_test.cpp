#include "engine/enginestate.h"

#include "engine/jobcipher.h"

#include <gtest/gtest.h>

namespace qm::test {
namespace {

TEST(EngineState, BuffersAreMadeOnceAndSurviveReset) {
    TEngineState& engine = Engine();
    uint8_t* input = engine.InputBuffer.get();
    uint8_t* copy = engine.CopyBuffer.get();
    ASSERT_NE(input, nullptr);
    ASSERT_NE(copy, nullptr);
    // The last byte of each buffer is writable (a sanitizer build checks the sizes).
    input[kInputBufferSize - 1] = 1;
    copy[kCopyBufferSize - 1] = 1;
    engine.Reset();
    EXPECT_EQ(engine.InputBuffer.get(), input);
    EXPECT_EQ(engine.CopyBuffer.get(), copy);
    EXPECT_EQ(&Engine(), &engine);
}

TEST(EngineState, MissingCallbacksAreSafe) {
    TEngineState& engine = Engine();
    engine.Reset();
    engine.AskPasswordProc = nullptr;
    engine.ProgressProc = nullptr;
    EXPECT_EQ(engine.AskPassword("E:\\x"), 2) << "nobody to ask: skip, never loop";
    engine.Progress(1, false, 2, 3, 4);
    engine.ProcessMessages();
    int asked = 0;
    engine.AskPasswordProc = [&](const std::string& path) {
        ++asked;
        return path == "E:\\x" ? 3 : 1;
    };
    EXPECT_EQ(engine.AskPassword("E:\\x"), 3);
    EXPECT_EQ(asked, 1);
    engine.AskPasswordProc = nullptr;
}

} // namespace
} // namespace qm::test
