#pragma once
// What the archive restores of one restore run share: the index of the archive read
// last, kept for as long as that file stays unchanged, and the pool that inflates
// chunks. A restore run owns one for its length, so restoring the n files of a run
// archive walks it once; a restore outside a run uses one per call. Chunk handles from
// the pool never outlive a single archive restore.

#include "engine/archiveindex.h"
#include "engine/chunkpool.h"

#include <memory>
#include <string>

namespace qm {

class ArchiveReadSession {
  public:
    ArchiveReadSession();
    ~ArchiveReadSession();

    // The index of ArchiveFile, whose file is now as Identity describes it: the index
    // kept from an earlier call when it still describes that file, else a new walk
    // (ArchiveIndex::Build, with Wanted for its pumps). None when the archive cannot be
    // read.
    ArchiveIndex* IndexFor(const std::string& ArchiveFile, const FileIdentity& Identity,
                           const std::string& Wanted);
    // The inflating pool, started on first use.
    ChunkPool& Pool();

  private:
    std::unique_ptr<ChunkPool> fPool;
    std::string fArchiveFile;
    std::unique_ptr<ArchiveIndex> fIndex;
};

} // namespace qm
