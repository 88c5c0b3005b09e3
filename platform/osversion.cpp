#include "platform/osversion.h"

namespace qm {

int GetOSVersionClass() {
    return -1;
}

bool IsWin2000OrLater() {
    return true;
}

} // namespace qm
