#pragma once
// DOS path text helpers and the one translation point from DOS paths
// ("C:\dir\file.txt") to host paths. Everything above platform/ keeps DOS paths.
//
// Paths are byte strings; a backslash or a slash separates folders, as in DOS and
// Windows paths. The path text helpers below keep the rules the stored paths were
// written with (extractFilePath keeps the trailing backslash, and so on).

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Host path for a DOS path "X:\..." whose drive letter is mapped. Empty for a path
// without a drive letter, an unmapped letter, or a ".." component: nothing may
// climb out of a drive's folder. "." components and doubled separators are dropped.
std::optional<std::string> toHostPath(std::string_view dosPath);

// DOS path for a host path below a mapped drive's folder (empty if none maps it, or
// if a name on the way cannot be carried in a DOS path).
std::optional<std::string> toDosPath(const std::string& hostPath);

// True when `name` can be one component of a DOS path: not empty, not "." or "..",
// and free of \ / : * ? " < > | and control characters.
bool isValidDosName(std::string_view name);

// Path text helpers, on DOS paths.
std::string extractFileDrive(std::string_view path); // "C:"
std::string extractFilePath(std::string_view path);  // "C:\dir\" (up to the last separator)
std::string extractFileDir(std::string_view path);   // "C:\dir" (no trailing separator unless root)
std::string extractFileName(std::string_view path);  // "file.txt"
std::string extractFileExt(std::string_view path);   // ".txt" ("" when none)
std::string changeFileExt(std::string_view path, std::string_view ext);
std::string includeTrailingBackslash(std::string_view path);
std::string excludeTrailingBackslash(std::string_view path);

// ASCII case-insensitive comparisons, as DOS names compare.
bool sameTextDos(std::string_view a, std::string_view b);
std::string upperCaseDos(std::string_view s);
std::string lowerCaseDos(std::string_view s);
// The same path on a disk that tells names apart by case ("Docs" and "docs" are two
// folders): the drive letter compares without case, every name exactly.
bool samePathExact(std::string_view a, std::string_view b);

} // namespace qm
