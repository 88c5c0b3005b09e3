#pragma once
// TPasswordModel: the rules of the password window without its widgets. It works on a
// copy of the caller's password list (the window's working list), adds what the user
// types, masks the list while "Show/Hide" is ticked and tells what each button answers:
// 1 OK, 2 Skip or Cancel, 3 Skip all. Passwords are compared exactly: they are
// case-sensitive, so "Secret" and "secret" are two passwords.

#include "app/common/messagefn.h"

#include <optional>
#include <string>
#include <vector>

namespace qm {

class TPasswordModel {
  public:
    enum class Mode { Single, List, ListWithSkip };

    TPasswordModel(Mode mode, std::string prompt, MessageFn message);

    Mode mode() const { return mode_; }
    const std::string& prompt() const { return prompt_; }
    // The prompt of a question about one file: "<file> is encrypted." CR LF message.
    static std::string promptFor(const std::string& message, const std::string& fileName);

    // On show: the caller's list becomes the working list.
    void load(const std::vector<std::string>& passwords) { passwords_ = passwords; }
    const std::vector<std::string>& passwords() const { return passwords_; }

    void setEdit(std::string text) { edit_ = std::move(text); }
    const std::string& edit() const { return edit_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool hidden() const { return hidden_; }
    // The list as the memo shows it: one star per character while hidden.
    std::vector<std::string> memoLines() const;

    // Add: refuses a password already listed ("Password already exists."), adds a
    // non-empty edit. In single mode the window then closes with 1.
    std::optional<int> add();
    // OK: adds the edit unless it is listed, then closes with 1.
    int ok();
    // Enter in the edit: Add, then OK.
    int enter();

    static constexpr int kOk = 1;
    static constexpr int kSkip = 2;
    static constexpr int kSkipAll = 3;

  private:
    bool listed(const std::string& password) const;

    Mode mode_;
    std::string prompt_;
    MessageFn message_;
    std::vector<std::string> passwords_;
    std::string edit_;
    bool hidden_ = true;
};

} // namespace qm
