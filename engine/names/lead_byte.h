#pragma once
// Whether a byte of narrow text starts a double-byte character of the ANSI
// code page, so that the byte after it belongs to the same character.
//
// On Windows the answer comes from the system's ANSI code page (932 on the
// Japanese systems the add-in is written for: lead bytes 0x81-0x9F and
// 0xE0-0xFC). Elsewhere narrow text is UTF-8, where every byte of a
// multibyte character is 0x80 or above, so no byte needs protecting from
// ASCII case folding and the answer is always false.

bool isAnsiLeadByte(unsigned char byte);
