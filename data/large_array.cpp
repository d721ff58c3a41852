#include "data/large_array.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Below this, the ordinary heap is as good.
constexpr size_t kMappedFrom = size_t{4} << 20;

}  // namespace

void* large_alloc(size_t size) {
#if defined(__linux__)
    if (size >= kMappedFrom) {
        void* block =
            mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) return nullptr;
        // Only advice: where huge pages are off, the mapping works all the same.
        madvise(block, size, MADV_HUGEPAGE);
        return block;
    }
#endif
    return std::calloc(size ? size : 1, 1);
}

void large_free(void* block, size_t size) {
    if (!block) return;
#if defined(__linux__)
    if (size >= kMappedFrom) {
        munmap(block, size);
        return;
    }
#else
    static_cast<void>(size);  // elsewhere every block comes from calloc
#endif
    std::free(block);
}

void* large_reuse(void* block, size_t old_size, size_t new_size) {
#if defined(__linux__)
    if (block && old_size >= kMappedFrom && new_size >= kMappedFrom) {
        void* moved = mremap(block, old_size, new_size, MREMAP_MAYMOVE);
        if (moved != MAP_FAILED) return moved;
    }
#endif
    large_free(block, old_size);
    return large_alloc(new_size);
}
