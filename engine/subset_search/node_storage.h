#pragma once
// Storage for a search's tree levels: one block of a few megabytes (at
// k = 31 the extended tree's 32 levels of about 200 KB each), written
// level by level as the walk first goes down.
//
// Each page of a fresh block is faulted in the first time it is written.
// Where the system can back a block with large pages (Linux's transparent
// huge pages of 2 MB), a few faults replace some hundreds of 4 KB ones: on
// a virtual machine whose faults cost over 10 µs each, that is most of the
// time a short search takes when its process runs it first. Elsewhere the
// block comes from the ordinary heap.
#include <cstddef>
#include <memory>
#include <new>

// A block for bytes bytes of nodes from nodes on, aligned to 64 bytes at
// least; allocation is what was allocated (null when nothing could be).
struct NodeBlock {
    void* allocation = nullptr;
    void* nodes = nullptr;
};
NodeBlock acquireNodeBlock(std::size_t bytes);
void releaseNodeBlock(const NodeBlock& block);

// count nodes, each default-initialised (a node's constructor leaves its
// large arrays unset), in one block; destroyed and released with it.
template <class Node>
class NodeLevels {
public:
    static_assert(alignof(Node) <= 64, "the blocks are aligned to 64 bytes at least");

    explicit NodeLevels(std::size_t count) : count_(count) {
        block_ = acquireNodeBlock(count * sizeof(Node));
        if (block_.allocation == nullptr) throw std::bad_alloc();
        nodes_ = static_cast<Node*>(block_.nodes);
        for (std::size_t i = 0; i < count; ++i) new (nodes_ + i) Node;
    }
    ~NodeLevels() {
        std::destroy_n(nodes_, count_);
        releaseNodeBlock(block_);
    }
    NodeLevels(const NodeLevels&) = delete;
    NodeLevels& operator=(const NodeLevels&) = delete;

    Node& operator[](std::size_t i) { return nodes_[i]; }
    const Node& operator[](std::size_t i) const { return nodes_[i]; }
    Node* get() { return nodes_; }

private:
    NodeBlock block_;
    Node* nodes_ = nullptr;
    std::size_t count_ = 0;
};
