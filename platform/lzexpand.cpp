#include "platform/lzexpand.h"

#include "platform/dospath.h"
#include "platform/fileio.h"
#include "platform/stagedfile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mspack.h>
#include <sys/stat.h>
#include <vector>

namespace qm {

namespace {

// One end of the expansion as libmspack sees it. libmspack passes the "file name" we
// give it straight to our open(), so the name is the address of a Channel: no path is
// ever opened by the library itself.
struct Channel {
    FileHandle* file = nullptr;
    int64_t limit = -1; // writes past this many bytes fail (-1: reading end)
    int64_t written = 0;
    bool overrun = false;
    // The decoder hands its output over a byte or a few at a time; the file gets it in
    // large blocks.
    std::vector<char> pending;

    bool flush() {
        const bool ok =
            pending.empty() || file->write(pending.data(), static_cast<int64_t>(pending.size()));
        pending.clear();
        return ok;
    }
};

constexpr size_t kWriteBlock = 1 << 16;

Channel* channelOf(mspack_file* file) {
    return reinterpret_cast<Channel*>(file);
}

mspack_file* channelOpen(mspack_system*, const char* name, int) {
    return reinterpret_cast<mspack_file*>(const_cast<char*>(name));
}

void channelClose(mspack_file*) {}

int channelRead(mspack_file* file, void* buffer, int bytes) {
    const int64_t got = channelOf(file)->file->read(buffer, bytes);
    return static_cast<int>(got);
}

int channelWrite(mspack_file* file, void* buffer, int bytes) {
    Channel* channel = channelOf(file);
    if (channel->written + bytes > channel->limit) {
        channel->overrun = true;
        return -1;
    }
    const char* bytesIn = static_cast<const char*>(buffer);
    channel->pending.insert(channel->pending.end(), bytesIn, bytesIn + bytes);
    channel->written += bytes;
    if (channel->pending.size() >= kWriteBlock && !channel->flush())
        return -1;
    return bytes;
}

int channelSeek(mspack_file* file, off_t offset, int mode) {
    const SeekOrigin origin = mode == MSPACK_SYS_SEEK_START ? SeekOrigin::Begin
                              : mode == MSPACK_SYS_SEEK_CUR ? SeekOrigin::Current
                                                            : SeekOrigin::End;
    return channelOf(file)->file->seek(offset, origin) < 0 ? -1 : 0;
}

off_t channelTell(mspack_file* file) {
    return static_cast<off_t>(channelOf(file)->file->position());
}

void channelMessage(mspack_file*, const char*, ...) {}

void* channelAlloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}

void channelFree(void* pointer) {
    std::free(pointer);
}

void channelCopy(void* from, void* to, size_t bytes) {
    std::memmove(to, from, bytes);
}

mspack_system channelSystem() {
    mspack_system system{};
    system.open = channelOpen;
    system.close = channelClose;
    system.read = channelRead;
    system.write = channelWrite;
    system.seek = channelSeek;
    system.tell = channelTell;
    system.message = channelMessage;
    system.alloc = channelAlloc;
    system.free = channelFree;
    system.copy = channelCopy;
    return system;
}

struct DecompressorDeleter {
    void operator()(msszdd_decompressor* d) const { mspack_destroy_szdd_decompressor(d); }
};

LzExpandResult failure(std::string error, int64_t length = 0) {
    return LzExpandResult{false, length, std::move(error)};
}

// Expands `source` into the open `target`; checks the header and the length.
LzExpandResult expandInto(FileHandle& source, FileHandle& target, const std::string& name) {
    const int64_t size = source.size();
    if (size < kLzHeaderSize)
        return failure(name + " is too short to be an LZ-compressed file");
    mspack_system system = channelSystem();
    std::unique_ptr<msszdd_decompressor, DecompressorDeleter> lz(
        mspack_create_szdd_decompressor(&system));
    if (!lz)
        return failure("out of memory expanding " + name);
    Channel in;
    in.file = &source;
    msszddd_header* header = lz->open(lz.get(), reinterpret_cast<const char*>(&in));
    if (!header)
        return failure(name + " is not an LZ-compressed file (wrong signature)");
    const int64_t declared = header->length;
    const bool normal = header->format == MSSZDD_FMT_NORMAL;
    Channel out;
    out.file = &target;
    out.limit = declared;
    out.pending.reserve(kWriteBlock + 4096);
    const int status =
        normal ? lz->extract(lz.get(), header, reinterpret_cast<const char*>(&out)) : 0;
    lz->close(lz.get(), header);
    const bool flushed = out.flush();
    if (!normal)
        return failure(name + " is not an LZ-compressed file (unknown variant)");
    if (out.overrun)
        return failure(name + " is damaged: it expands to more than the " +
                           std::to_string(declared) + " bytes its header declares",
                       out.written);
    if (!flushed || (status != MSPACK_ERR_OK && status != MSPACK_ERR_READ))
        return failure("cannot write the expansion of " + name, out.written);
    if (out.written != declared)
        return failure(name + " is damaged: it expands to " + std::to_string(out.written) +
                           " bytes, its header declares " + std::to_string(declared),
                       out.written);
    return LzExpandResult{true, declared, {}};
}

} // namespace

LzExpandResult LzExpandFile(std::string_view sourceDos, std::string_view targetDos,
                            const LzExpandOptions& options) {
    const std::string name(sourceDos);
    FileHandle source = FileHandle::open(sourceDos, OpenMode::Read);
    if (!source)
        return failure("cannot open " + name);
    StagedFile staged{std::string(targetDos)};
    if (!staged.Open())
        return failure("cannot create a file in the folder of " + std::string(targetDos));
    LzExpandResult result = expandInto(source, staged.File(), name);
    if (!result.ok)
        return result;
    std::optional<uint32_t> date = options.dosDateTime;
    if (!date)
        date = source.dosDateTime();
    const std::optional<std::string> host = toHostPath(targetDos);
    if (!host || !staged.Commit(date) || ::chmod(host->c_str(), options.mode) != 0)
        return failure("cannot write " + std::string(targetDos), result.length);
    return result;
}

} // namespace qm
