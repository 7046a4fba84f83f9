#pragma once
// The compression of VBA project streams (MS-OVBA section 2.4.1): a
// CompressedContainer is a signature byte 0x01 followed by chunks, each the
// compressed form of up to 4096 bytes of the data.
//
// The writer emits compressed chunks only (CompressedChunkFlag 1). MS-OVBA
// also allows raw chunks for 4096 bytes that do not shrink, but Office has
// been seen to drop a module stored that way, so a chunk whose tokens do not
// fit in the 4098 bytes a chunk may have is reported as a failure instead:
// source text never comes near that (it needs 4096 bytes in which no three
// bytes repeat).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Largest number of data bytes one chunk holds.
inline constexpr std::size_t chunkDataSize = 4096;

// The CompressedContainer of data, or nothing when a chunk of it cannot be
// held by a compressed chunk.
std::optional<Bytes> compressContainer(const Bytes& data);

// The data of a CompressedContainer (compressed and raw chunks alike), or
// nothing when the container is malformed: a wrong signature, a chunk
// running past the end, or a copy reaching before the start of its chunk.
std::optional<Bytes> decompressContainer(const Bytes& container);
