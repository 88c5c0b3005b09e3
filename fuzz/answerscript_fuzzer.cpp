// libFuzzer program for FuzzAnswerScript; the body lives in answerscript_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzAnswerScript(data, size);
}
