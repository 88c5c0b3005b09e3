#pragma once
// Opening a document or web address, or starting a program, without waiting for it:
// a URL or a file that is not executable goes to the desktop's opener (xdg-open, or
// $QUILLMOOR_OPENER), an executable file is started with the given arguments. The child
// runs in a session of its own, and a background thread reaps it, so no zombie is left.

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace qm {

// `file` is a URL ("https://..."), a DOS path, or a host path. `parameters` are split at
// blanks, with double quotes grouping ("a \"b c\"" gives a, b c). `directory` (DOS or
// host path) becomes the working folder when given. Returns the started process id.
std::optional<pid_t> ShellExecute(std::string_view file, std::string_view parameters = {},
                                  std::string_view directory = {});

std::vector<std::string> splitParameters(std::string_view parameters);

} // namespace qm
