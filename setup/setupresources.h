#pragma once
// The pictures of setup's windows (setup.qrc), registered with Qt's resource system on
// first use; the shared ones come from the controls library.

namespace qm {

void ensureSetupResources();

} // namespace qm
