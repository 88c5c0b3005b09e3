// libFuzzer program for FuzzHive; the body lives in hive_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzHive(data, size);
}
