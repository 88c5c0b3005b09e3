#pragma once
// One registry hive in memory (a tree of keys holding typed values) and its text file
// format. A hive file is UTF-8/bytes text, one record per line ("\n" ends a line):
//
//     QMHIVE 1                       first line, always
//     K <path>                       a key; <path> is every name from the root down,
//                                    joined by '\'; "K" alone is the root key itself
//     V <type> <name> <data>         a value of the key named by the last K line;
//                                    <type> is sz, dword or binary
//
// <path>, <name> and sz <data> are escaped: every byte below 0x21, above 0x7e, and the
// bytes '%' and '@' are written as %XX (two upper-case hex digits); an empty name is
// written "@" (the key's default value). dword <data> is decimal 0..4294967295; binary
// <data> is lower-case hex, two digits per byte, possibly empty. Keys and values appear
// in the order they were created; a parent key's K line comes before its sub-keys'.
// The reader accepts nothing else: any other line makes the whole file corrupt.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Numbered as the registry types the stored settings expect.
enum class RegistryValueType : uint32_t {
    None = 0,   // no such value
    String = 1, // REG_SZ
    Binary = 3, // REG_BINARY
    DWord = 4,  // REG_DWORD
};

struct HiveValue {
    std::string name; // as first written; compared without regard to ASCII case
    RegistryValueType type = RegistryValueType::String;
    std::string data; // String: the text; Binary: the bytes; DWord: unused
    uint32_t number = 0;
};

// A key owns its values and sub-keys, both kept in the order they were created.
struct HiveKey {
    std::string name;
    std::vector<HiveValue> values;
    std::vector<std::unique_ptr<HiveKey>> subKeys;

    HiveKey* findSubKey(std::string_view subName) const;
    HiveKey& subKeyOrCreate(std::string_view subName);
    // Removes the named sub-key with everything below it; false when missing.
    bool removeSubKey(std::string_view subName);
    HiveValue* findValue(std::string_view valueName);
    const HiveValue* findValue(std::string_view valueName) const;
    bool removeValue(std::string_view valueName);
};

// Limits that keep a damaged or hostile file from taking the process down.
constexpr size_t kMaxHiveFileBytes = 64u * 1024 * 1024;
constexpr size_t kMaxKeyNameBytes = 255;
constexpr size_t kMaxValueNameBytes = 16383;
constexpr size_t kMaxKeyDepth = 512;

struct HiveParseResult {
    std::unique_ptr<HiveKey> root; // set on success
    std::string error;             // "line N: what is wrong" on failure
};

HiveParseResult parseHive(std::string_view text);
std::string serializeHive(const HiveKey& root);

// Splits "\A\B\" into {"A", "B"}; empty components are dropped.
std::vector<std::string> splitKeyPath(std::string_view path);

} // namespace qm
