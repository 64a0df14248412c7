// Small helpers for reading text byte by byte.
#pragma once

// The value of the hexadecimal digit `c` (either letter case), or -1 when it is none.
constexpr int VxHexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
