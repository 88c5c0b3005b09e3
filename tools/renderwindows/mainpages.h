#pragma once
// The main window's pages as the window renderer draws them. Every page of pgc_Main
// that a button of the left menu opens is drawn, in both window sizes, as it opens;
// the welcome page is drawn as the program starts. A page needs a scene here only to
// be drawn with sample content or in further states.

#include <functional>
#include <string>

namespace qm {
class TfrmMain;
}

namespace qm::renderwindows {

class TRenderMachine;

struct TPageScene {
    const char* page;  // object name of the page in pgc_Main ("TS_Restore")
    const char* state; // added to the file name; "" for the page as it opens
    // Before the window is made: files on the drives, settings in the registry. The
    // `before` steps of all scenes run on the same machine, so keep them additive.
    std::function<void(const TRenderMachine&)> before;
    // Once the page shows: clicks, ticks, a selected item. Empty: drawn as it opens.
    std::function<void(TfrmMain&)> after;
};

// The scenes, in the order they are drawn after their page's plain picture.
const std::vector<TPageScene>& pageScenes();

} // namespace qm::renderwindows
