// The project records of the packer: the obfuscated protection values
// against MS-OVBA's example PROJECT stream, the dir stream's records, and
// the module source's conversion and checks.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "module_source.h"
#include "ovba_encryption.h"
#include "vba_project.h"

namespace {

// The example project of MS-OVBA section 3.1.6.
const std::string exampleId = "{917DED54-440B-4FD1-A5C1-74ACF261E600}";

std::uint16_t read16(const Bytes& data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}
std::uint32_t read32(const Bytes& data, std::size_t at) {
    return read16(data, at) | (static_cast<std::uint32_t>(read16(data, at + 2)) << 16);
}

struct Record {
    std::uint16_t id;
    Bytes payload;
};

// The dir stream's records; PROJECTVERSION's Reserved field reads as a
// size of 4 but 6 bytes follow.
std::vector<Record> records(const Bytes& dir) {
    std::vector<Record> out;
    std::size_t at = 0;
    while (at + 6 <= dir.size()) {
        const std::uint16_t id = read16(dir, at);
        std::size_t size = read32(dir, at + 2);
        if (id == 0x0009) size = 6;
        at += 6;
        out.push_back({id, Bytes(dir.begin() + static_cast<std::ptrdiff_t>(at),
                                 dir.begin() + static_cast<std::ptrdiff_t>(at + size))});
        at += size;
    }
    EXPECT_EQ(at, dir.size());
    return out;
}

VbaProject twoModules() {
    return {"Tavrel", "{5B3F2A61-7C14-4E8D-9A02-6D1E83C4F7B9}",
            {{"First", "Attribute VB_Name = \"First\"\r\n"}, {"Second", "Attribute VB_Name = \"Second\"\r\n"}}};
}

}  // namespace

TEST(OvbaEncryption, ReadsTheExampleProjectsValues) {
    // CMG, DPB and GC of the example: unprotected, no password, visible.
    const auto cmg = decryptData("0705D8E3D8EDDBF1DBF1DBF1DBF1");
    const auto dpb = decryptData("0E0CD1ECDFF4E7F5E7F5E7");
    const auto gc = decryptData("1517CAF1D6F9D7F9D706");
    ASSERT_TRUE(cmg && dpb && gc);
    EXPECT_EQ(cmg->projectKey, projectKey(exampleId));
    EXPECT_EQ(cmg->data, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(dpb->data, Bytes{0x00});
    EXPECT_EQ(gc->data, Bytes{0xFF});
}

TEST(OvbaEncryption, ReproducesTheExampleWithItsChoices) {
    for (const std::string text : {"0705D8E3D8EDDBF1DBF1DBF1DBF1", "0E0CD1ECDFF4E7F5E7F5E7", "1517CAF1D6F9D7F9D706"}) {
        const auto decrypted = decryptData(text);
        ASSERT_TRUE(decrypted);
        EXPECT_EQ(encryptData(exampleId, decrypted->data, decrypted->choice), text);
    }
}

TEST(OvbaEncryption, RefusesMalformedText) {
    EXPECT_FALSE(decryptData("0705D8"));                          // too short for a length
    EXPECT_FALSE(decryptData("0705D8E3D8EDDBF1DBF1DBF1DBF1AA"));  // longer than its length says
    EXPECT_FALSE(decryptData("0706D8E3D8EDDBF1DBF1DBF1DBF1"));    // version not 2
    EXPECT_FALSE(decryptData("0705D8E3D8EDDBF1DBF1DBF1DBFZ"));    // not hexadecimal
}

TEST(VbaProjectRecords, DirStreamCarriesCodePageNamesAndModules) {
    const std::vector<Record> dir = records(dirStream(twoModules()));
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.front().id, 0x0001);  // PROJECTSYSKIND first
    EXPECT_EQ(dir.back().id, 0x0010);   // the stream's terminator last
    std::vector<std::string> moduleNames;
    std::vector<std::string> streamNames;
    int terminators = 0;
    for (const Record& record : dir) {
        const std::string text(record.payload.begin(), record.payload.end());
        if (record.id == 0x0003) {
            EXPECT_EQ(read16(record.payload, 0), 932);
        }
        if (record.id == 0x0004) {
            EXPECT_EQ(text, "Tavrel");
        }
        if (record.id == 0x000F) {
            EXPECT_EQ(read16(record.payload, 0), 2);
        }
        if (record.id == 0x0019) moduleNames.push_back(text);
        if (record.id == 0x001A) streamNames.push_back(text);
        if (record.id == 0x0031) {
            EXPECT_EQ(read32(record.payload, 0), 0u) << "no performance cache";
        }
        if (record.id == 0x002B) ++terminators;
        EXPECT_NE(record.id, 0x0022) << "standard modules only";
    }
    EXPECT_EQ(moduleNames, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(streamNames, moduleNames);
    EXPECT_EQ(terminators, 2);
}

TEST(VbaProjectRecords, ProjectStreamAndNameMap) {
    const VbaProject project = twoModules();
    const std::string text = projectStream(project);
    EXPECT_EQ(text.rfind("ID=\"" + project.projectId + "\"\r\nModule=First\r\nModule=Second\r\nName=\"Tavrel\"\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\n\r\n[Host Extender Info]\r\n"), std::string::npos);
    const std::size_t gc = text.find("GC=\"");
    ASSERT_NE(gc, std::string::npos);
    const auto visibility = decryptData(text.substr(gc + 4, text.find('"', gc + 4) - gc - 4));
    ASSERT_TRUE(visibility);
    EXPECT_EQ(visibility->data, Bytes{0xFF}) << "the project is visible";
    EXPECT_EQ(visibility->projectKey, projectKey(project.projectId));

    const Bytes map = projectNameMap(project);
    const std::string expected = std::string("First\0F\0i\0r\0s\0t\0\0\0", 18) +
                                 std::string("Second\0S\0e\0c\0o\0n\0d\0\0\0", 21) + std::string("\0\0", 2);
    EXPECT_EQ(std::string(map.begin(), map.end()), expected);
    EXPECT_EQ(vbaProjectStream(), (Bytes{0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x01, 0x00}));
}

TEST(VbaProjectRecords, StreamsAreCompressedWhereTheFormatSaysSo) {
    const StreamMap streams = projectStreams(twoModules());
    ASSERT_EQ(streams.size(), 6u);
    EXPECT_EQ(decompressContainer(streams.at("VBA/dir")), dirStream(twoModules()));
    const std::string source = "Attribute VB_Name = \"Second\"\r\n";
    EXPECT_EQ(decompressContainer(streams.at("VBA/Second")), Bytes(source.begin(), source.end()));
    EXPECT_EQ(streams.at("PROJECTwm"), projectNameMap(twoModules())) << "not compressed";
}

TEST(ModuleSource, LineEndsBecomeCrLf) {
    EXPECT_EQ(normalizeLineEnds("a\nb\r\nc"), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(normalizeLineEnds("\xEF\xBB\xBF" "a\n"), "a\r\n") << "byte order mark dropped";
    EXPECT_EQ(normalizeLineEnds(""), "");
}

TEST(ModuleSource, JapaneseBecomesCodePage932) {
    const VbaModule module = readModule("Attribute VB_Name = \"Data\"\nConst A = \"従属変数\"\n", "Data.bas");
    EXPECT_EQ(module.name, "Data");
    // 従属変数 in code page 932: 8F 5D 91 AE 95 CF 90 94.
    EXPECT_EQ(module.source, "Attribute VB_Name = \"Data\"\r\nConst A = \"\x8F\x5D\x91\xAE\x95\xCF\x90\x94\"\r\n");
}

TEST(ModuleSource, RefusalsNameFileAndLine) {
    try {
        readModule("Attribute VB_Name = \"Data\"\n' ok\nConst A = \"\xF0\x9F\x98\x80\"\n", "vba/Data.bas");
        FAIL() << "an emoji has no code page 932 form";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("vba/Data.bas:3:", 0), 0u) << error.what();
    }
    EXPECT_THROW(readModule("Attribute VB_Name = \"Data\"\n\xFF\xFE\n", "Data.bas"), std::runtime_error)
        << "bytes that are not UTF-8";
    EXPECT_THROW(readModule("Option Explicit\n", "Data.bas"), std::runtime_error) << "no VB_Name line";
    EXPECT_THROW(readModule("Attribute VB_Name = \"1Data\"\n", "Data.bas"), std::runtime_error) << "not an identifier";
    EXPECT_THROW(readModule("Attribute VB_Name = \"データ\"\n", "Data.bas"), std::runtime_error) << "not ASCII";
}
