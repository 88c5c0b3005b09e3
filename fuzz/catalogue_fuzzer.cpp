// libFuzzer program for FuzzCatalogue; the body lives in catalogue_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzCatalogue(data, size);
}
