#pragma once
// A buffer of bytes that, from 1 MiB on, is mapped straight from the system and unmapped
// when it goes. Buffers of several MiB freed in one order and taken again in another
// would otherwise stay resident in the allocator's heap, and a process that counts its
// buffers against a memory budget would still grow well past it. Smaller buffers come
// from the ordinary heap, which serves them faster. Throws std::bad_alloc as new does.

#include <cstdint>

namespace qm {

class PageBuffer {
  public:
    PageBuffer() = default;
    explicit PageBuffer(int64_t Bytes);
    ~PageBuffer();
    PageBuffer(PageBuffer&& Other) noexcept;
    PageBuffer& operator=(PageBuffer&& Other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;

    uint8_t* data() const { return fData; }
    int64_t size() const { return fSize; }

  private:
    void Free();

    uint8_t* fData = nullptr;
    int64_t fSize = 0;
};

} // namespace qm
