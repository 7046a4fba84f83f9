#include "names/lead_byte.h"

#include <windows.h>

bool isAnsiLeadByte(unsigned char byte) {
    return IsDBCSLeadByte(byte) != FALSE;
}
