#include "setup/setupresources.h"

#include "controls/skin.h"

#include <QtGlobal>

// Resource registration has to happen outside any namespace.
static void initSetupResources() {
    Q_INIT_RESOURCE(setup);
}

namespace qm {

void ensureSetupResources() {
    static const bool done = (ensureControlsResources(), initSetupResources(), true);
    (void)done;
}

} // namespace qm
