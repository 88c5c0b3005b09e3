#include "platform/pagebuffer.h"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace qm {

namespace {

constexpr int64_t kMappedFrom = 1 << 20;

} // namespace

PageBuffer::PageBuffer(int64_t Bytes) : fSize(Bytes > 0 ? Bytes : 1) {
    if (fSize < kMappedFrom) {
        fData = new uint8_t[static_cast<size_t>(fSize)];
        return;
    }
    void* mapped = mmap(nullptr, static_cast<size_t>(fSize), PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    fData = static_cast<uint8_t*>(mapped);
}

PageBuffer::~PageBuffer() {
    Free();
}

PageBuffer::PageBuffer(PageBuffer&& Other) noexcept
    : fData(std::exchange(Other.fData, nullptr)), fSize(std::exchange(Other.fSize, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& Other) noexcept {
    if (this != &Other) {
        Free();
        fData = std::exchange(Other.fData, nullptr);
        fSize = std::exchange(Other.fSize, 0);
    }
    return *this;
}

void PageBuffer::Free() {
    if (!fData)
        return;
    if (fSize < kMappedFrom)
        delete[] fData;
    else
        munmap(fData, static_cast<size_t>(fSize));
    fData = nullptr;
    fSize = 0;
}

} // namespace qm
