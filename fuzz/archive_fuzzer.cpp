// libFuzzer program for FuzzArchive; the body lives in archive_entry.cpp.

#include "fuzz/fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qm::fuzz::FuzzArchive(data, size);
}
