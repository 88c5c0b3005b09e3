#include "controls/messageformmodel.h"

#include <algorithm>

namespace qm {

TMessageFormModel::TMessageFormModel(int kind, std::string text)
    : kind_(kind >= 0 && kind <= 2 ? kind : 0), text_(std::move(text)) {}

const char* TMessageFormModel::pageName() const {
    switch (kind_) {
    case 1:
        return "TabSheet_OK_Cancel";
    case 2:
        return "TabSheet_YES_NO";
    default:
        return "TabSheet_OK";
    }
}

std::vector<TMessageFormModel::Button> TMessageFormModel::buttons() const {
    switch (kind_) {
    case 1:
        return {{"imr_Ok_", mrOk, 79, 84, "button_ok"},
                {"imr_Cancel_", mrCancel, 167, 84, "button_cancel"}};
    case 2:
        return {{"imr_Yes", mrYes, 71, 95, "button_yes"},
                {"ImageRegion4", mrNo, 174, 95, "button_no"}};
    default:
        return {{"imr_Ok", mrOk, 128, 84, "button_ok"}};
    }
}

std::optional<int> TMessageFormModel::enterResult() const {
    if (kind_ == 0)
        return mrCancel;
    return std::nullopt;
}

TMessageFormModel::Fit TMessageFormModel::fitText(int textHeight, int baseWindowHeight,
                                                  int maxWindowHeight) {
    Fit fit;
    const int extra = std::max(0, textHeight - kLabelHeight);
    const int room = std::max(0, maxWindowHeight - baseWindowHeight);
    fit.windowHeight = baseWindowHeight + std::min(extra, room);
    fit.labelHeight = kLabelHeight + std::min(extra, room);
    fit.scrolls = extra > room;
    return fit;
}

} // namespace qm
