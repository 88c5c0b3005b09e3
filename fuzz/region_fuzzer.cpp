// libFuzzer program for FuzzRegion; the body lives in region_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzRegion(data, size);
}
