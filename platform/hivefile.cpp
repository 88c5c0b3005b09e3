#include "platform/hivefile.h"

#include "platform/dospath.h"
#include "platform/hexdigit.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

constexpr std::string_view kHeader = "QMHIVE 1";
constexpr const char* kHexUpper = "0123456789ABCDEF";
constexpr const char* kHexLower = "0123456789abcdef";

bool needsEscape(unsigned char c) {
    return c < 0x21 || c > 0x7e || c == '%' || c == '@';
}

std::string escape(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (!needsEscape(c)) {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += kHexUpper[c >> 4];
        out += kHexUpper[c & 15];
    }
    return out;
}

std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c != '%') {
            if (needsEscape(c))
                return std::nullopt;
            out += static_cast<char>(c);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        int hi = hexDigitValue(text[i + 1]);
        int lo = hexDigitValue(text[i + 2]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::string escapeName(std::string_view name) {
    return name.empty() ? "@" : escape(name);
}

std::optional<std::string> unescapeName(std::string_view token) {
    if (token == "@")
        return std::string();
    auto name = unescape(token);
    if (!name || name->empty())
        return std::nullopt;
    return name;
}

std::optional<std::string> decodeBinary(std::string_view hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    out.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hexDigitValue(hex[i]);
        int lo = hexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

std::optional<uint32_t> decodeDword(std::string_view text) {
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// Cuts the next blank-separated token off `rest`; the last token takes what is left.
std::string_view nextToken(std::string_view& rest) {
    size_t blank = rest.find(' ');
    std::string_view token = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return token;
}

std::optional<RegistryValueType> parseType(std::string_view token) {
    if (token == "sz")
        return RegistryValueType::String;
    if (token == "dword")
        return RegistryValueType::DWord;
    if (token == "binary")
        return RegistryValueType::Binary;
    return std::nullopt;
}

const char* typeToken(RegistryValueType type) {
    switch (type) {
    case RegistryValueType::DWord:
        return "dword";
    case RegistryValueType::Binary:
        return "binary";
    default:
        return "sz";
    }
}

std::string foldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return folded;
}

// Name lookups for the keys and values a file creates, so that a file with millions of
// siblings still parses in linear time. The tree keeps the order of creation; only the
// parser creates keys while it runs, so the index covers all of them.
class ParseIndex {
  public:
    HiveKey& subKeyOrCreate(HiveKey& parent, std::string_view name) {
        HiveKey*& slot = subKeys_[&parent][foldName(name)];
        if (!slot) {
            auto key = std::make_unique<HiveKey>();
            key->name = std::string(name);
            parent.subKeys.push_back(std::move(key));
            slot = parent.subKeys.back().get();
        }
        return *slot;
    }
    // False when `key` already holds a value of that name.
    bool addValueName(const HiveKey& key, std::string_view name) {
        return values_[&key].insert(foldName(name)).second;
    }

  private:
    std::unordered_map<const HiveKey*, std::unordered_map<std::string, HiveKey*>> subKeys_;
    std::unordered_map<const HiveKey*, std::unordered_set<std::string>> values_;
};

// Parses the rest of a "K" line and returns the key it names (created as needed).
HiveKey* parseKeyLine(HiveKey& root, ParseIndex& index, std::string_view rest, std::string& error) {
    HiveKey* key = &root;
    if (rest.empty())
        return key;
    auto path = unescape(rest);
    if (!path) {
        error = "bad key path";
        return nullptr;
    }
    auto names = splitKeyPath(*path);
    if (names.empty() || names.size() > kMaxKeyDepth) {
        error = "bad key path";
        return nullptr;
    }
    for (const auto& name : names) {
        if (name.size() > kMaxKeyNameBytes) {
            error = "key name too long";
            return nullptr;
        }
        key = &index.subKeyOrCreate(*key, name);
    }
    return key;
}

bool parseValueLine(HiveKey& key, ParseIndex& index, std::string_view rest, std::string& error) {
    auto type = parseType(nextToken(rest));
    if (!type) {
        error = "unknown value type";
        return false;
    }
    auto name = unescapeName(nextToken(rest));
    if (!name || name->size() > kMaxValueNameBytes) {
        error = "bad value name";
        return false;
    }
    if (!index.addValueName(key, *name)) {
        error = "value written twice";
        return false;
    }
    HiveValue value;
    value.name = *name;
    value.type = *type;
    std::optional<std::string> data = std::string();
    if (*type == RegistryValueType::String)
        data = unescape(rest);
    else if (*type == RegistryValueType::Binary)
        data = decodeBinary(rest);
    else if (auto number = decodeDword(rest))
        value.number = *number;
    else
        data.reset();
    if (!data) {
        error = "bad value data";
        return false;
    }
    value.data = std::move(*data);
    key.values.push_back(std::move(value));
    return true;
}

void serializeKey(const HiveKey& key, const std::string& path, std::string& out) {
    out += path.empty() ? "K" : "K " + escape(path);
    out += '\n';
    for (const auto& value : key.values) {
        out += "V ";
        out += typeToken(value.type);
        out += ' ';
        out += escapeName(value.name);
        out += ' ';
        if (value.type == RegistryValueType::DWord) {
            out += std::to_string(value.number);
        } else if (value.type == RegistryValueType::Binary) {
            for (unsigned char c : value.data) {
                out += kHexLower[c >> 4];
                out += kHexLower[c & 15];
            }
        } else {
            out += escape(value.data);
        }
        out += '\n';
    }
    for (const auto& sub : key.subKeys)
        serializeKey(*sub, path.empty() ? sub->name : path + "\\" + sub->name, out);
}

} // namespace

HiveKey* HiveKey::findSubKey(std::string_view subName) const {
    for (const auto& sub : subKeys) {
        if (sameTextDos(sub->name, subName))
            return sub.get();
    }
    return nullptr;
}

HiveKey& HiveKey::subKeyOrCreate(std::string_view subName) {
    if (HiveKey* existing = findSubKey(subName))
        return *existing;
    auto key = std::make_unique<HiveKey>();
    key->name = std::string(subName);
    subKeys.push_back(std::move(key));
    return *subKeys.back();
}

bool HiveKey::removeSubKey(std::string_view subName) {
    auto it = std::find_if(subKeys.begin(), subKeys.end(),
                           [&](const auto& sub) { return sameTextDos(sub->name, subName); });
    if (it == subKeys.end())
        return false;
    subKeys.erase(it);
    return true;
}

HiveValue* HiveKey::findValue(std::string_view valueName) {
    for (auto& value : values) {
        if (sameTextDos(value.name, valueName))
            return &value;
    }
    return nullptr;
}

const HiveValue* HiveKey::findValue(std::string_view valueName) const {
    return const_cast<HiveKey*>(this)->findValue(valueName);
}

bool HiveKey::removeValue(std::string_view valueName) {
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const auto& value) { return sameTextDos(value.name, valueName); });
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

std::vector<std::string> splitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

HiveParseResult parseHive(std::string_view text) {
    HiveParseResult result;
    if (text.size() > kMaxHiveFileBytes) {
        result.error = "file larger than " + std::to_string(kMaxHiveFileBytes) + " bytes";
        return result;
    }
    auto root = std::make_unique<HiveKey>();
    HiveKey* current = nullptr;
    ParseIndex index;
    size_t lineNumber = 0;
    std::string_view rest = text;
    while (!rest.empty()) {
        ++lineNumber;
        size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            result.error = "line " + std::to_string(lineNumber) + ": no line end";
            return result;
        }
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        std::string error;
        if (lineNumber == 1) {
            if (line != kHeader)
                error = "not a hive file";
        } else if (line == "K" || line.starts_with("K ")) {
            current =
                parseKeyLine(*root, index, line.substr(std::min<size_t>(2, line.size())), error);
        } else if (line.starts_with("V ") && current) {
            parseValueLine(*current, index, line.substr(2), error);
        } else {
            error = "unexpected record";
        }
        if (!error.empty()) {
            result.error = "line " + std::to_string(lineNumber) + ": " + error;
            return result;
        }
    }
    result.root = std::move(root);
    return result;
}

std::string serializeHive(const HiveKey& root) {
    std::string out(kHeader);
    out += '\n';
    serializeKey(root, std::string(), out);
    return out;
}

} // namespace qm
