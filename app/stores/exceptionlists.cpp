#include "app/stores/exceptionlists.h"

#include "app/stores/settingsstore.h"
#include "platform/casefold.h"
#include "platform/registry.h"
#include "platform/settingkeys.h"

namespace qm {

namespace {

std::string keyPath(const char* list) {
    return std::string(kSettingsKey) + "Exceptions\\" + list;
}

bool save(const char* list, const TExceptionLines& lines) {
    std::vector<HiveValue> values;
    for (const std::string& line : lines)
        values.push_back({line, RegistryValueType::String, {}, 0});
    return Registry().replaceKey(keyPath(list), values);
}

// Letter case is ignored as the catalogue ignores it, beyond ASCII too: "Résumé.doc"
// listed leaves "RÉSUMÉ.DOC" out.
bool listed(const std::string& text, const TExceptionLines& lines) {
    const std::string key = foldCaseUtf8(text);
    for (const std::string& line : lines)
        if (foldCaseUtf8(line) == key)
            return true;
    return false;
}

} // namespace

TExceptionLines LoadFileExceptions(const TSettingsStore& store) {
    return store.valueNames("Exceptions\\Files");
}

TExceptionLines LoadExtExceptions(const TSettingsStore& store) {
    return store.valueNames("Exceptions\\Extentions");
}

bool SaveFileExceptions(const TExceptionLines& lines) {
    return save("Files", lines);
}

bool SaveExtExceptions(const TExceptionLines& lines) {
    return save("Extentions", lines);
}

bool IsExcepted(const std::string& name, const TExceptionLines& files,
                const TExceptionLines& extensions) {
    if (listed(name, files))
        return true;
    const auto dot = name.rfind('.');
    return dot != std::string::npos && listed(name.substr(dot + 1), extensions);
}

} // namespace qm
