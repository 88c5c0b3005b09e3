#include "platform/shelllink.h"

#include "platform/desktopentry.h"
#include "platform/dospath.h"

namespace qm {

namespace {

// A key file string: backslashes and line ends escaped.
std::string keyString(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string stem(std::string_view linkFile) {
    const std::string name(linkFile);
    if (name.size() > 4 && sameTextDos(extractFileExt(name), ".lnk"))
        return name.substr(0, name.size() - 4);
    return name;
}

} // namespace

std::string hostLinkFileName(std::string_view linkFile) {
    return stem(linkFile) + ".desktop";
}

std::string shellLinkPath(std::string_view folderDos, std::string_view linkFile) {
    return includeTrailingBackslash(folderDos) + hostLinkFileName(linkFile);
}

std::optional<std::string> CreateShellLink(std::string_view folderDos, std::string_view linkFile,
                                           std::string_view targetDos,
                                           std::string_view workingFolderDos,
                                           std::string_view arguments) {
    const std::string path = shellLinkPath(folderDos, linkFile);
    const std::optional<std::string> host = toHostPath(path);
    const std::optional<std::string> target = toHostPath(targetDos);
    const std::optional<std::string> working = toHostPath(workingFolderDos);
    if (!host || !target || !working)
        return std::nullopt;
    std::string exec = desktopExecArgument(*target);
    if (!arguments.empty())
        exec += " " + keyString(arguments);
    const std::string contents =
        "[Desktop Entry]\nType=Application\nName=" + keyString(stem(linkFile)) + "\nExec=" + exec +
        "\nPath=" + keyString(*working) + "\nTerminal=false\n";
    // Desktops start only entries marked executable that sit on the desktop itself.
    if (!writeDesktopEntry(*host, contents, 0755))
        return std::nullopt;
    return path;
}

} // namespace qm
