#include "engine/aesstream.h"

#include <memory>

namespace qm {

TAESStream::TAESStream(TRijndael::TPath Path) : TStreamCipher(std::make_unique<TRijndael>(Path)) {}

} // namespace qm
