// The compression of VBA project streams: the worked examples of MS-OVBA
// section 3.2, and round trips of text, runs and chunk boundaries.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "ovba_compression.h"

namespace {

Bytes fromHex(const std::string& hex) {
    Bytes bytes;
    std::istringstream in(hex);
    unsigned value = 0;
    while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

Bytes fromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

void expectRoundTrip(const Bytes& data) {
    const std::optional<Bytes> container = compressContainer(data);
    ASSERT_TRUE(container.has_value());
    const std::optional<Bytes> back = decompressContainer(*container);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, data);
}

// The chunk headers of a container, read one after another.
std::vector<std::uint16_t> chunkHeaders(const Bytes& container) {
    std::vector<std::uint16_t> headers;
    std::size_t position = 1;
    while (position + 2 <= container.size()) {
        const auto header = static_cast<std::uint16_t>(container[position] | (container[position + 1] << 8));
        headers.push_back(header);
        position += (header & 0x0FFFu) + 3;
    }
    EXPECT_EQ(position, container.size());
    return headers;
}

const std::string noCompressionText = "abcdefghijklmnopqrstuv.";
const char* const noCompressionBytes =
    "01 19 B0 00 61 62 63 64 65 66 67 68 00 69 6A 6B 6C 6D 6E 6F 70 00 71 72 73 74 75 76 2E";
const std::string normalText = "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa";
const char* const normalBytes =
    "01 2F B0 00 23 61 61 61 62 63 64 65 82 66 00 70 61 67 68 69 6A 01 38 08 61 6B 6C 00 20 6D 6E 6F "
    "70 06 71 02 70 04 00 72 73 74 75 76 10 77 78 79 7A 00 2C";
const std::string maximumText(73, 'a');
const char* const maximumBytes = "01 03 B0 02 61 45 00";

}  // namespace

TEST(OvbaCompression, WorkedExamplesDecompressToTheirText) {
    EXPECT_EQ(decompressContainer(fromHex(noCompressionBytes)), fromText(noCompressionText));
    EXPECT_EQ(decompressContainer(fromHex(normalBytes)), fromText(normalText));
    EXPECT_EQ(decompressContainer(fromHex(maximumBytes)), fromText(maximumText));
}

TEST(OvbaCompression, WorkedExamplesCompressToTheirBytes) {
    EXPECT_EQ(compressContainer(fromText(noCompressionText)), fromHex(noCompressionBytes));
    EXPECT_EQ(compressContainer(fromText(normalText)), fromHex(normalBytes));
    EXPECT_EQ(compressContainer(fromText(maximumText)), fromHex(maximumBytes));
}

TEST(OvbaCompression, EmptyDataIsTheSignatureAlone) {
    EXPECT_EQ(compressContainer({}), Bytes{0x01});
    EXPECT_EQ(decompressContainer(Bytes{0x01}), Bytes{});
}

TEST(OvbaCompression, SourceLikeTextRoundTripsInCompressedChunks) {
    // Words of a VBA source in random order: many chunks, each compressed.
    const char* const words[] = {"Dim ", "As ", "Long", "String", "If ", "Then", "\r\n", "End ", "Sub ",
                                 "Function ", "values(", "r, c)", " = ", "\"セル\"", "    ", "For ", "Next"};
    std::mt19937 random(20260101);
    std::string text;
    while (text.size() < 50000) text += words[random() % (sizeof words / sizeof words[0])];
    const Bytes data = fromText(text);
    expectRoundTrip(data);
    const std::vector<std::uint16_t> headers = chunkHeaders(*compressContainer(data));
    EXPECT_EQ(headers.size(), (data.size() + chunkDataSize - 1) / chunkDataSize);
    for (const std::uint16_t header : headers) {
        EXPECT_EQ(header & 0x8000u, 0x8000u) << "every chunk is compressed";
        EXPECT_EQ((header >> 12) & 0x7u, 0x3u) << "chunk signature";
    }
}

TEST(OvbaCompression, LongRunsUseTheLongestCopies) {
    // A run of one byte across several chunks, and runs of two alternating
    // bytes: each chunk holds one literal and copies of growing length.
    expectRoundTrip(Bytes(3 * chunkDataSize + 17, 'a'));
    Bytes alternating;
    for (int i = 0; i < 10000; ++i) alternating.push_back(i % 2 == 0 ? 'x' : 'y');
    expectRoundTrip(alternating);
    const Bytes run(chunkDataSize, 'z');
    const Bytes container = *compressContainer(run);
    EXPECT_LT(container.size(), 40u) << "4096 equal bytes fit in a few tokens";
}

TEST(OvbaCompression, ChunkBoundariesFallWhereTheDataSays) {
    std::string text;
    for (int i = 0; text.size() < 3 * chunkDataSize; ++i) text += "line " + std::to_string(i % 97) + "\r\n";
    for (const std::size_t size : {chunkDataSize - 1, chunkDataSize, chunkDataSize + 1, 2 * chunkDataSize}) {
        const Bytes data = fromText(text.substr(0, size));
        expectRoundTrip(data);
        EXPECT_EQ(chunkHeaders(*compressContainer(data)).size(), (size + chunkDataSize - 1) / chunkDataSize)
            << size;
    }
}

TEST(OvbaCompression, IncompressibleChunkIsRefusedNotCorrupted) {
    // 4096 bytes in which no three bytes repeat cannot be held by one
    // compressed chunk; a final chunk that short can.
    std::mt19937 random(7);
    Bytes noise(chunkDataSize);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
    EXPECT_FALSE(compressContainer(noise).has_value());
    noise.resize(1000);
    expectRoundTrip(noise);
}

TEST(OvbaCompression, RawChunksAreRead) {
    Bytes container{0x01, 0xFF, 0x3F};  // size 4098, signature 3, flag 0
    for (std::size_t i = 0; i < chunkDataSize; ++i) container.push_back(static_cast<std::uint8_t>(i * 7));
    const std::optional<Bytes> data = decompressContainer(container);
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(data->size(), chunkDataSize);
    EXPECT_EQ((*data)[4095], static_cast<std::uint8_t>(4095 * 7));
}

TEST(OvbaCompression, MalformedContainersAreRefused) {
    EXPECT_FALSE(decompressContainer({}).has_value());
    EXPECT_FALSE(decompressContainer(fromHex("02 03 B0 02 61 45 00")).has_value()) << "signature";
    EXPECT_FALSE(decompressContainer(fromHex("01 03 A0 02 61 45 00")).has_value()) << "chunk signature";
    EXPECT_FALSE(decompressContainer(fromHex("01 09 B0 02 61 45 00")).has_value()) << "chunk past the end";
    EXPECT_FALSE(decompressContainer(fromHex("01 03 B0 01 45 00 61")).has_value()) << "copy before the start";
}
