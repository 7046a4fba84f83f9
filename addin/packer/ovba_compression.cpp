// MS-OVBA 2.4.1.3: compression and decompression of a CompressedContainer.
#include "ovba_compression.h"

#include <algorithm>

namespace {

constexpr std::uint8_t containerSignature = 0x01;
// A chunk is its 2-byte header and at most 4096 bytes of tokens.
constexpr std::size_t largestChunk = 2 + chunkDataSize;

// The layout of a CopyToken at a given position (MS-OVBA 2.4.1.3.19.1,
// CopyToken Help): the further the position lies from the chunk's start,
// the more of the token's 16 bits the offset takes from the length.
struct CopyTokenLayout {
    unsigned bitCount;       // bits of the offset
    std::size_t maxLength;   // longest copy the length bits can express
};

CopyTokenLayout copyTokenLayout(std::size_t distanceFromChunkStart) {
    unsigned bitCount = 4;
    while ((std::size_t{1} << bitCount) < distanceFromChunkStart) ++bitCount;
    return {bitCount, (std::size_t{0xFFFF} >> bitCount) + 3};
}

// The longest earlier match for the bytes at current within the chunk,
// nearest candidate first among equal lengths (MS-OVBA 2.4.1.3.19.4,
// Matching). A match may run into the bytes it copies, as a run of one
// repeated byte does.
struct Match {
    std::size_t offset = 0;
    std::size_t length = 0;
};

Match findMatch(const Bytes& data, std::size_t chunkStart, std::size_t current, std::size_t end) {
    std::size_t bestLength = 0;
    std::size_t bestCandidate = 0;
    for (std::size_t candidate = current; candidate-- > chunkStart;) {
        std::size_t length = 0;
        while (current + length < end && data[current + length] == data[candidate + length]) ++length;
        if (length > bestLength) {
            bestLength = length;
            bestCandidate = candidate;
        }
    }
    if (bestLength < 3) return {};
    const CopyTokenLayout layout = copyTokenLayout(current - chunkStart);
    return {current - bestCandidate, std::min(bestLength, layout.maxLength)};
}

// MS-OVBA 2.4.1.3.19.3, PackCopyToken: offset - 1 in the high bits, length
// - 3 in the low ones.
std::uint16_t packCopyToken(std::size_t offset, std::size_t length, unsigned bitCount) {
    return static_cast<std::uint16_t>(((offset - 1) << (16 - bitCount)) | (length - 3));
}

// Compresses the bytes [start, end) as one chunk appended to out
// (MS-OVBA 2.4.1.3.7, Compressing a DecompressedChunk). False when the
// tokens do not fit in one chunk; out is then left as it was.
bool compressChunk(const Bytes& data, std::size_t start, std::size_t end, Bytes& out) {
    const std::size_t chunkStart = out.size();
    out.resize(chunkStart + 2);  // header, written at the end
    std::size_t current = start;
    while (current < end) {
        // A TokenSequence: one FlagByte, then up to eight tokens; bit i of
        // the flag is set when token i is a CopyToken.
        const std::size_t flagIndex = out.size();
        out.push_back(0);
        std::uint8_t flags = 0;
        for (unsigned token = 0; token < 8 && current < end; ++token) {
            const Match match = findMatch(data, start, current, end);
            if (match.length > 0) {
                const std::uint16_t packed =
                    packCopyToken(match.offset, match.length, copyTokenLayout(current - start).bitCount);
                out.push_back(static_cast<std::uint8_t>(packed & 0xFF));
                out.push_back(static_cast<std::uint8_t>(packed >> 8));
                flags = static_cast<std::uint8_t>(flags | (1u << token));
                current += match.length;
            } else {
                out.push_back(data[current]);  // a LiteralToken
                ++current;
            }
        }
        out[flagIndex] = flags;
        if (out.size() - chunkStart > largestChunk) {
            out.resize(chunkStart);
            return false;
        }
    }
    // CompressedChunkHeader: size - 3 in bits 0-11, signature 0b011 in bits
    // 12-14, CompressedChunkFlag 1 (compressed) in bit 15.
    const std::size_t size = out.size() - chunkStart;
    const auto header = static_cast<std::uint16_t>((size - 3) | (0x3u << 12) | 0x8000u);
    out[chunkStart] = static_cast<std::uint8_t>(header & 0xFF);
    out[chunkStart + 1] = static_cast<std::uint8_t>(header >> 8);
    return true;
}

// Decompresses the TokenSequences of one compressed chunk
// (MS-OVBA 2.4.1.3.2 to 2.4.1.3.5).
bool decompressChunkTokens(const Bytes& container, std::size_t begin, std::size_t end, Bytes& out) {
    const std::size_t chunkStart = out.size();
    std::size_t position = begin;
    while (position < end) {
        const std::uint8_t flags = container[position++];
        for (unsigned token = 0; token < 8 && position < end; ++token) {
            if ((flags & (1u << token)) == 0) {
                out.push_back(container[position++]);
                continue;
            }
            if (position + 2 > end) return false;
            const auto packed = static_cast<std::uint16_t>(container[position] | (container[position + 1] << 8));
            position += 2;
            const CopyTokenLayout layout = copyTokenLayout(out.size() - chunkStart);
            const std::size_t length = (packed & (0xFFFFu >> layout.bitCount)) + 3;
            const std::size_t offset = (static_cast<std::size_t>(packed) >> (16 - layout.bitCount)) + 1;
            if (offset > out.size() - chunkStart) return false;
            // Byte by byte: the source may overlap what this copy writes.
            for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
        }
    }
    return true;
}

}  // namespace

std::optional<Bytes> compressContainer(const Bytes& data) {
    Bytes out{containerSignature};
    for (std::size_t start = 0; start < data.size(); start += chunkDataSize) {
        const std::size_t end = std::min(start + chunkDataSize, data.size());
        if (!compressChunk(data, start, end, out)) return std::nullopt;
    }
    return out;
}

std::optional<Bytes> decompressContainer(const Bytes& container) {
    if (container.empty() || container[0] != containerSignature) return std::nullopt;
    Bytes out;
    std::size_t position = 1;
    while (position < container.size()) {
        if (position + 2 > container.size()) return std::nullopt;
        const auto header = static_cast<std::uint16_t>(container[position] | (container[position + 1] << 8));
        if (((header >> 12) & 0x7u) != 0x3u) return std::nullopt;
        const std::size_t size = (header & 0x0FFFu) + 3;
        const std::size_t end = position + size;
        if (end > container.size()) return std::nullopt;
        if ((header & 0x8000u) != 0) {
            if (!decompressChunkTokens(container, position + 2, end, out)) return std::nullopt;
        } else {
            // A raw chunk holds its 4096 bytes as they are.
            if (size != largestChunk) return std::nullopt;
            out.insert(out.end(), container.begin() + static_cast<std::ptrdiff_t>(position + 2),
                       container.begin() + static_cast<std::ptrdiff_t>(end));
        }
        position = end;
    }
    return out;
}
