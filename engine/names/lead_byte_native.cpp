#include "names/lead_byte.h"

// UTF-8: no byte of a multibyte character lies in the ASCII range.
bool isAnsiLeadByte(unsigned char) {
    return false;
}
