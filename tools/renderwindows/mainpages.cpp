#include "mainpages.h"

#include "machine.h"

#include "app/frmmain.h"

#include <QCheckBox>

namespace qm::renderwindows {

namespace {

// Checks `name`, a check box or radio button of the window, as a click would.
void tick(TfrmMain& window, const char* name) {
    if (auto* box = window.findChild<QAbstractButton*>(QString::fromLatin1(name)))
        box->click();
}

} // namespace

// Add a page's scenes here, one row each.
const std::vector<TPageScene>& pageScenes() {
    static const std::vector<TPageScene> scenes = {
        {"TS_Settings",
         "ticked",
         {},
         [](TfrmMain& w) {
             for (const char* name : {"chkEncription", "chb_FileRevision", "chkReminder",
                                      "Rb_Multiple", "chb_UseExeptList"})
                 tick(w, name);
         }},
    };
    return scenes;
}

} // namespace qm::renderwindows
