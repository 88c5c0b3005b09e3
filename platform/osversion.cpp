#include "platform/osversion.h"

namespace qm {

bool IsWin2000OrLater() {
    return true;
}

} // namespace qm
