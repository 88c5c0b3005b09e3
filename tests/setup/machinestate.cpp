#include "machinestate.h"

#include "platform/registry.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace qm::test {

namespace {

void walkKey(RegistryRoot root, const std::string& path, std::set<std::string>& out) {
    Registry registry(root);
    if (!path.empty() && !registry.openKeyReadOnly(path))
        return;
    for (const std::string& name : registry.valueNames()) {
        std::string text;
        uint32_t number = 0;
        std::string data = registry.readString(name, text) == RegistryStatus::Ok ? text
                           : registry.readDword(name, number) == RegistryStatus::Ok
                               ? std::to_string(number)
                               : "?";
        out.insert(std::string(HiveStore::rootName(root)) + path + "|" + name + "=" + data);
    }
    for (const std::string& sub : registry.subKeyNames())
        walkKey(root, path + "\\" + sub, out);
}

} // namespace

std::set<std::string> FilesBelow(const std::string& root) {
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (relative == "registry" || relative == "ipc" || relative == "runtime") {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_symlink()) {
            out.insert(relative + " -> " + fs::read_symlink(it->path()).string());
        } else if (it->is_regular_file()) {
            std::ifstream in(it->path(), std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            out.insert(relative + " = " + content.str());
        } else {
            out.insert(relative + "/");
        }
    }
    return out;
}

std::set<std::string> RegistryValues() {
    std::set<std::string> out;
    for (RegistryRoot root :
         {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine, RegistryRoot::ClassesRoot})
        walkKey(root, "", out);
    return out;
}

} // namespace qm::test
