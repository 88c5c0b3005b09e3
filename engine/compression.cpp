#include "engine/compression.h"

#include "engine/enginestate.h"

namespace qm {

int CompressCheck(int Code) {
    if (Code < 0)
        ++Engine().ErrorCount;
    return Code;
}

int DecompressCheck(int Code) {
    if (Code < 0)
        ++Engine().ErrorCount;
    return Code;
}

} // namespace qm
