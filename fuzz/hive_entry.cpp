// Fuzz body for the registry hive text format: the input is a hive file. A hive the
// reader accepts must survive writing and reading back unchanged, and the registry must
// read and change values of a damaged hive file without harm.

#include "fuzz/fuzzentries.h"

#include "fuzz/fuzzsandbox.h"
#include "platform/hivefile.h"
#include "platform/registry.h"

#include <fstream>
#include <string>

namespace qm::fuzz {

namespace {

// True when the reader accepted the text.
bool CheckRoundTrip(std::string_view text) {
    HiveParseResult first = parseHive(text);
    Require(first.root != nullptr || !first.error.empty(), "a refused hive says why");
    if (!first.root)
        return false;
    const std::string written = serializeHive(*first.root);
    HiveParseResult second = parseHive(written);
    Require(second.root != nullptr, "a written hive reads back");
    Require(serializeHive(*second.root) == written, "a hive reads back as it was written");
    return true;
}

// The input as the current user's hive file: reading a key's values works on any file,
// and a write to a hive that reads back is there to read afterwards.
void CheckRegistry(const std::string& text, bool readable) {
    const std::string path = FuzzSandbox::instance().root() + "/registry/HKEY_CURRENT_USER.hive";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    Registry reg;
    if (reg.openKeyReadOnly("\\Software\\Quillmoor")) {
        for (const std::string& name : reg.valueNames()) {
            std::string value;
            reg.readString(name, value);
        }
        reg.subKeyNames();
    }
    reg.closeKey();
    const bool opened = reg.openKey("\\Software\\Quillmoor", true);
    if (!readable)
        return;
    Require(opened, "a key opens in a readable hive");
    Require(reg.writeString("Fuzz", "value") == RegistryStatus::Ok,
            "a readable hive takes a write");
    std::string back;
    Require(reg.readString("Fuzz", back) == RegistryStatus::Ok && back == "value",
            "a written value reads back");
}

} // namespace

int FuzzHive(const uint8_t* data, size_t size) {
    FuzzSandbox& sandbox = FuzzSandbox::instance();
    sandbox.clear();
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckRegistry(text, CheckRoundTrip(text));
    sandbox.clear();
    return 0;
}

} // namespace qm::fuzz
