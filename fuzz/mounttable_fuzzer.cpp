// libFuzzer program for FuzzMountTable; the body lives in mounttable_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzMountTable(data, size);
}
