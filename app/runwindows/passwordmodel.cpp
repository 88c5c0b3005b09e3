#include "app/runwindows/passwordmodel.h"

#include <algorithm>

namespace qm {

TPasswordModel::TPasswordModel(Mode mode, std::string prompt, MessageFn message)
    : mode_(mode), prompt_(std::move(prompt)), message_(std::move(message)) {}

std::string TPasswordModel::promptFor(const std::string& message, const std::string& fileName) {
    if (fileName.empty())
        return message;
    return fileName + " is encrypted.\r\n" + message;
}

std::vector<std::string> TPasswordModel::memoLines() const {
    if (!hidden_)
        return passwords_;
    std::vector<std::string> lines;
    for (const std::string& p : passwords_)
        lines.emplace_back(p.size(), '*');
    return lines;
}

bool TPasswordModel::listed(const std::string& password) const {
    return std::find(passwords_.begin(), passwords_.end(), password) != passwords_.end();
}

std::optional<int> TPasswordModel::add() {
    if (listed(edit_)) {
        if (message_)
            message_(kMsgOk, "Password already exists.");
        return std::nullopt;
    }
    if (!edit_.empty())
        passwords_.push_back(edit_);
    if (mode_ == Mode::Single)
        return kOk;
    return std::nullopt;
}

int TPasswordModel::ok() {
    if (!listed(edit_))
        add();
    return kOk;
}

int TPasswordModel::enter() {
    if (auto closed = add())
        return *closed;
    return ok();
}

} // namespace qm
