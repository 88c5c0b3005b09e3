#pragma once
// Splitting and joining backslash paths component by component, as the folder trees
// and file lists address their nodes ("C:\dir\name.ext" -> "C:", "dir", "name.ext").

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The components of `path` up to each backslash. A leading backslash gives an empty
// first component, a doubled one an empty middle component; a trailing backslash adds
// no empty last component. An empty path gives no components.
std::vector<std::string> SplitPath(std::string_view path);

// `name` when `folder` is empty; `folder` + `name` when `folder` ends in a backslash;
// otherwise `folder` + "\" + `name`. `name` is taken as it is.
std::string JoinPath(std::string_view folder, std::string_view name);

} // namespace qm
