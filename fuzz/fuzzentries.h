#pragma once
// The bodies of the fuzz targets, one per reader of untrusted bytes. Each takes one
// input, feeds it to its reader inside FuzzSandbox, checks what must hold whatever the
// bytes are, empties the sandbox again and returns 0. The libFuzzer programs and the
// replay test of the fixtures call exactly these functions.

#include <cstddef>
#include <cstdint>

namespace qm::fuzz {

// The bytes are the media catalogue E:\Quillmoor\drive.lst, read and changed by a job.
int FuzzCatalogue(const uint8_t* data, size_t size);
// The bytes are a .bpa archive on E:, restored into a folder and cut by a job.
int FuzzArchive(const uint8_t* data, size_t size);
// The bytes are the backup run's journal on E:, carried out by the next run.
int FuzzJournal(const uint8_t* data, size_t size);
// The bytes are a registry hive file.
int FuzzHive(const uint8_t* data, size_t size);
// The bytes are stored window outline data.
int FuzzRegion(const uint8_t* data, size_t size);
// The bytes are the host's mount table.
int FuzzMountTable(const uint8_t* data, size_t size);
// The bytes are an answer file named by QUILLMOOR_ANSWERS.
int FuzzAnswerScript(const uint8_t* data, size_t size);

} // namespace qm::fuzz
