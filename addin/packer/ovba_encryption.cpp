// MS-OVBA 2.4.3.2 (Encryption) and 2.4.3.3 (Decryption).
#include "ovba_encryption.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

constexpr std::uint8_t encryptionVersion = 2;

// The running state of the cipher: each byte is XORed with the sum of the
// next-to-last encrypted byte and the last plain byte.
struct CipherState {
    std::uint8_t unencrypted1;
    std::uint8_t encrypted1;
    std::uint8_t encrypted2;

    std::uint8_t encrypt(std::uint8_t plain) {
        const auto encrypted = static_cast<std::uint8_t>(plain ^ static_cast<std::uint8_t>(encrypted2 + unencrypted1));
        advance(plain, encrypted);
        return encrypted;
    }
    std::uint8_t decrypt(std::uint8_t encrypted) {
        const auto plain = static_cast<std::uint8_t>(encrypted ^ static_cast<std::uint8_t>(encrypted2 + unencrypted1));
        advance(plain, encrypted);
        return plain;
    }
    void advance(std::uint8_t plain, std::uint8_t encrypted) {
        encrypted2 = encrypted1;
        encrypted1 = encrypted;
        unencrypted1 = plain;
    }
};

std::size_t ignoredLength(std::uint8_t seed) { return static_cast<std::size_t>((seed & 6) / 2); }

Bytes littleEndian32(std::size_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

std::uint8_t projectKey(const std::string& projectId) {
    std::uint8_t key = 0;
    for (const char byte : projectId) key = static_cast<std::uint8_t>(key + static_cast<std::uint8_t>(byte));
    return key;
}

std::string encryptData(const std::string& projectId, const Bytes& data, const EncryptionChoice& choice) {
    const std::uint8_t key = projectKey(projectId);
    const auto versionEnc = static_cast<std::uint8_t>(choice.seed ^ encryptionVersion);
    const auto keyEnc = static_cast<std::uint8_t>(choice.seed ^ key);
    Bytes out{choice.seed, versionEnc, keyEnc};
    CipherState state{key, keyEnc, versionEnc};
    for (std::size_t i = 0; i < ignoredLength(choice.seed); ++i) {
        out.push_back(state.encrypt(i < choice.ignored.size() ? choice.ignored[i] : 0));
    }
    for (const std::uint8_t byte : littleEndian32(data.size())) out.push_back(state.encrypt(byte));
    for (const std::uint8_t byte : data) out.push_back(state.encrypt(byte));

    std::string text;
    char digits[3];
    for (const std::uint8_t byte : out) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

std::optional<DecryptedData> decryptData(const std::string& hexText) {
    if (hexText.size() % 2 != 0) return std::nullopt;
    for (const char c : hexText) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return std::nullopt;
    }
    Bytes bytes;
    for (std::size_t i = 0; i < hexText.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hexText.substr(i, 2), nullptr, 16)));
    }
    if (bytes.size() < 3) return std::nullopt;
    DecryptedData result;
    result.choice.seed = bytes[0];
    if ((bytes[1] ^ bytes[0]) != encryptionVersion) return std::nullopt;
    result.projectKey = static_cast<std::uint8_t>(bytes[2] ^ bytes[0]);
    CipherState state{result.projectKey, bytes[2], bytes[1]};
    std::size_t position = 3;
    const std::size_t ignored = ignoredLength(result.choice.seed);
    if (bytes.size() < position + ignored + 4) return std::nullopt;
    for (std::size_t i = 0; i < ignored; ++i) result.choice.ignored.push_back(state.decrypt(bytes[position++]));
    std::size_t length = 0;
    for (unsigned i = 0; i < 4; ++i) length |= static_cast<std::size_t>(state.decrypt(bytes[position++])) << (8 * i);
    if (bytes.size() != position + length) return std::nullopt;
    for (std::size_t i = 0; i < length; ++i) result.data.push_back(state.decrypt(bytes[position++]));
    return result;
}
