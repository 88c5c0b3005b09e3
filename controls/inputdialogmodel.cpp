#include "controls/inputdialogmodel.h"

namespace qm {

void TAddToExceptionModel::fileChosen(const std::string& path) {
    if (path.empty())
        return;
    const size_t cut = path.find_last_of("/\\");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (!name.empty())
        text_ = std::move(name);
}

std::optional<int> TAddToExceptionModel::keyResult(bool enter, bool escape) {
    if (enter)
        return 1;
    if (escape)
        return 2;
    return std::nullopt;
}

} // namespace qm
