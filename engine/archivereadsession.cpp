#include "engine/archivereadsession.h"

#include "engine/enginestate.h"

namespace qm {

ArchiveReadSession::ArchiveReadSession() = default;

ArchiveReadSession::~ArchiveReadSession() = default;

ArchiveIndex* ArchiveReadSession::IndexFor(const std::string& ArchiveFile,
                                           const FileIdentity& Identity,
                                           const std::string& Wanted) {
    if (fIndex && fArchiveFile == ArchiveFile && fIndex->Describes(Identity))
        return fIndex.get();
    fIndex.reset();
    fArchiveFile = ArchiveFile;
    fIndex = ArchiveIndex::Build(ArchiveFile, Wanted, [] { Engine().ProcessMessages(); });
    return fIndex.get();
}

ChunkPool& ArchiveReadSession::Pool() {
    if (!fPool) {
        fPool = std::make_unique<ChunkPool>(ChunkPool::WorkersFor(Engine().WorkerLimit),
                                            Engine().Library,
                                            [] { Engine().ProcessMessagesWhenDue(); });
    }
    return *fPool;
}

} // namespace qm
