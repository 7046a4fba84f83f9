#pragma once
// Code page 932 for the tests that run natively, where narrow text is UTF-8:
// its lead bytes, and a few names written out as its bytes.

inline bool isCodePage932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

inline bool noLeadBytes(unsigned char) {
    return false;
}

// The second byte of each of デ and ツ lies in 'a'-'z'; folded like a single
// byte, デ would become ェ and ツ would become イ.
constexpr const char* dataCp932 = "\x83\x66\x81\x5B\x83\x5E";      // データ
constexpr const char* eDataCp932 = "\x83\x46\x81\x5B\x83\x5E";     // ェータ
constexpr const char* tsuCp932 = "\x83\x63";                       // ツ
constexpr const char* iCp932 = "\x83\x43";                         // イ
constexpr const char* heightCp932 = "\x90\x67\x92\xB7";            // 身長 (trail byte 0x67)
constexpr const char* fullWidthSpaceCp932 = "\x81\x40";            // 　
