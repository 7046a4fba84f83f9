#pragma once
// The obfuscation of the PROJECT stream's protection values CMG, DPB and GC
// (MS-OVBA section 2.4.3, Data Encryption). It hides nothing; readers
// expect the form.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ovba_compression.h"

// The choices a writer makes freely: the seed and the bytes of IgnoredEnc
// (their number, (seed & 6) / 2, comes from the seed). Fixed values keep
// the workbook the same from build to build.
struct EncryptionChoice {
    std::uint8_t seed = 0;
    Bytes ignored;
};

// ProjKey: the sum, modulo 256, of the bytes of the project's ID text
// ("{...}", the GUID with its braces).
std::uint8_t projectKey(const std::string& projectId);

// The Encrypted Data Structure for data, as the upper-case hexadecimal text
// the PROJECT stream holds.
std::string encryptData(const std::string& projectId, const Bytes& data, const EncryptionChoice& choice);

// What an Encrypted Data Structure holds, read back from its text.
struct DecryptedData {
    std::uint8_t projectKey = 0;
    EncryptionChoice choice;
    Bytes data;
};

// Nothing when the text is not hexadecimal, has the wrong version or the
// wrong length.
std::optional<DecryptedData> decryptData(const std::string& hexText);
