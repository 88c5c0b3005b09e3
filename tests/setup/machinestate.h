#pragma once
// What a test machine holds, to compare before and after: every file, folder and link
// below the sandbox (but the hive files and sockets), with its content, and every
// registry value of the three hives.

#include <set>
#include <string>

namespace qm::test {

std::set<std::string> FilesBelow(const std::string& root);
std::set<std::string> RegistryValues();

} // namespace qm::test
