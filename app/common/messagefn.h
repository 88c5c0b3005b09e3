#pragma once
// How the window models ask the user something: a message box of a kind (0 OK,
// 1 OK/Cancel, 2 Yes/No) with a text, answered with a modal result (1, 2, 6, 7). The
// windows pass ShowMessageForm; tests pass a script.

#include <functional>
#include <string>

namespace qm {

using MessageFn = std::function<int(int kind, const std::string& text)>;

inline constexpr int kMsgOk = 0;
inline constexpr int kMsgYesNo = 2;
inline constexpr int kResultYes = 6;

} // namespace qm
