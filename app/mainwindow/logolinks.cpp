#include "app/mainwindow/logolinks.h"

namespace qm {

const char* logoLinkFor(std::string_view button) {
    for (const TLogoLink& link : kLogoLinks)
        if (button == link.button)
            return link.url;
    return nullptr;
}

} // namespace qm
