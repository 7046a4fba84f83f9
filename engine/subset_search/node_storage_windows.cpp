#include "subset_search/node_storage.h"

#include <cstdint>
#include <cstdlib>

// The ordinary heap: large pages on Windows need a privilege (to lock
// pages in memory) that users do not hold. The nodes start at the block's
// first 64-byte boundary.
NodeBlock acquireNodeBlock(std::size_t bytes) {
    NodeBlock block;
    block.allocation = std::malloc(bytes + 64);
    if (block.allocation == nullptr) return block;
    const auto start = reinterpret_cast<std::uintptr_t>(block.allocation);
    block.nodes = reinterpret_cast<void*>((start + 63) & ~std::uintptr_t{63});
    return block;
}

void releaseNodeBlock(const NodeBlock& block) {
    std::free(block.allocation);
}
