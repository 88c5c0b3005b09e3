// libFuzzer program for FuzzJournal; the body lives in journal_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzJournal(data, size);
}
