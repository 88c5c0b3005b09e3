#include "platform/desktopentry.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

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
    const std::string temp = hostPath + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << contents;
        if (!out.flush()) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (::chmod(temp.c_str(), mode) != 0 || std::rename(temp.c_str(), hostPath.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

std::string desktopEntryProgram(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
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
