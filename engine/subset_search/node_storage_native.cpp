#include "subset_search/node_storage.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

// Linux's transparent huge pages: 2 MB on x86.
constexpr std::size_t largePage = std::size_t{2} << 20;

}  // namespace

// The C heap's block, two large pages longer than asked, with the nodes
// from its first large-page boundary on and the large pages they reach
// marked for huge pages (all inside the block: a range beyond it would
// reach memory the heap has not mapped, or other blocks). The block
// comes and goes through malloc and free, so that the C library's own
// adaptive thresholds see it as before: the first search of a process maps
// it afresh, and the later ones find the heap it went back to already
// faulted in. Where the kernel has no huge page to give, or no such pages
// at all (madvise then fails), it is faulted in page by page.
NodeBlock acquireNodeBlock(std::size_t bytes) {
    NodeBlock block;
    block.allocation = std::malloc(bytes + 2 * largePage);
    if (block.allocation == nullptr) return block;
    const auto start = reinterpret_cast<std::uintptr_t>(block.allocation);
    const std::uintptr_t aligned = (start + largePage - 1) & ~std::uintptr_t{largePage - 1};
    block.nodes = reinterpret_cast<void*>(aligned);
    madvise(block.nodes, (bytes + largePage - 1) & ~(largePage - 1), MADV_HUGEPAGE);
    return block;
}

void releaseNodeBlock(const NodeBlock& block) {
    std::free(block.allocation);
}
