#include "platform/sudoenvironment.h"

#include "platform/realuser.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

extern char** environ;

namespace qm {

namespace {

constexpr std::string_view kOwnPrefix = "QUILLMOOR_";

// Each names a folder or a module Qt loads code from (plugins, the platform plugin, a
// style or platform theme plugin, QML modules).
constexpr const char* kQtCodeVariables[] = {"QT_PLUGIN_PATH",    "QT_QPA_PLATFORM_PLUGIN_PATH",
                                            "QT_STYLE_OVERRIDE", "QT_QPA_PLATFORMTHEME",
                                            "QML2_IMPORT_PATH",  "QML_IMPORT_PATH"};

} // namespace

std::vector<std::string> dropUserEnvironmentUnderSudo() {
    if (::geteuid() != 0)
        return {};
    const RealUser user = realUser();
    if (!user.elevatedForOther)
        return {};
    // The names first: unsetenv changes the table being walked.
    std::vector<std::string> names;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const std::string_view name = text.substr(0, text.find('='));
        if (name.starts_with(kOwnPrefix))
            names.emplace_back(name);
    }
    for (const char* name : kQtCodeVariables)
        if (std::getenv(name))
            names.emplace_back(name);
    if (names.empty())
        return names;
    std::string list;
    for (const std::string& name : names) {
        ::unsetenv(name.c_str());
        list += (list.empty() ? "" : ", ") + name;
    }
    std::fprintf(stderr,
                 "quillmoor: run as root for user %u, the user's environment is not used: %s\n",
                 static_cast<unsigned>(user.uid), list.c_str());
    return names;
}

} // namespace qm
