#pragma once
// The web addresses behind the main window's logo buttons: the maker's home page
// (ImageRegion4 and the bottom strip's img_logo) and the three product pages of the
// welcome page. One table, so every button and test reads the same addresses.

#include <string_view>

namespace qm {

struct TLogoLink {
    const char* button; // object name of the picture button
    const char* url;
};

inline constexpr TLogoLink kLogoLinks[] = {
    {"ImageRegion4", "https://www.quillmoor.example/"},
    {"img_logo", "https://www.quillmoor.example/"},
    {"imr_Logo_1", "https://www.quillmoor.example/products/backup/"},
    {"imr_Logo2", "https://www.quillmoor.example/products/sync/"},
    {"imr_Logo3", "https://www.quillmoor.example/products/updates/"},
};

// The address of a logo button, or null for any other name.
const char* logoLinkFor(std::string_view button);

} // namespace qm
