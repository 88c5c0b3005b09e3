#include "platform/desktopentry.h"

#include "platform/folderchain.h"
#include "platform/userfiles.h"

#include <sstream>

namespace qm {

std::string desktopExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '%')
            quoted += '%';
        else if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (char c : quoted) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool writeDesktopEntry(const std::string& hostPath, const std::string& contents, unsigned mode) {
    const size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos || slash + 1 == hostPath.size())
        return false;
    const UniqueFd folder = openFolderChain(slash == 0 ? "/" : hostPath.substr(0, slash));
    return folder.get() >= 0 &&
           replaceFileAt(folder.get(), hostPath.substr(slash + 1), contents, mode);
}

std::string desktopEntryProgram(const std::string& hostPath) {
    // A user's entry may be anything the user put there: never waited for, never read
    // past what an entry can hold.
    constexpr size_t kMaxEntryBytes = 64 * 1024;
    std::istringstream in(readRegularFile(hostPath, kMaxEntryBytes).bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with("Exec="))
            continue;
        // Undo the string escapes, then read the first quoted argument.
        std::string text;
        for (size_t i = 5; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char next = line[++i];
                text += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
            } else {
                text += line[i];
            }
        }
        if (text.empty() || text[0] != '"')
            return text.substr(0, text.find(' '));
        std::string program;
        for (size_t i = 1; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size())
                ++i;
            else if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
                ++i;
            program += text[i];
        }
        return program;
    }
    return {};
}

} // namespace qm
