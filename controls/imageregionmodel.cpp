#include "controls/imageregionmodel.h"

namespace qm {

bool TImageRegionModel::mouseEnter() {
    mouseOver_ = true;
    return enabled_;
}

bool TImageRegionModel::mouseLeave() {
    mouseOver_ = false;
    return enabled_;
}

TImageRegionModel::Face TImageRegionModel::shownFace() const {
    if (enabled_ && mouseOver_ && hasHoverPicture_)
        return Face::Hover;
    return Face::Normal;
}

} // namespace qm
