#include "Base64.h"
#include <cstring>

int Base64DecodedSize(int n)
{
    return n - n / 4;
}

namespace {
int Base64Value(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Bytes a group of `count` characters carries.
inline int GroupBytes(int count)
{
    return count >= 2 ? count - 1 : 0;
}
} // namespace

int Base64Decode(const char* text, int length, void* outBuf)
{
    if (!text || !outBuf)
        return 0;
    if (length < 0)
        length = (int)strlen(text);
    unsigned char* out = (unsigned char*)outBuf;
    int written = 0;
    unsigned group = 0;
    int count = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == '=')
            break;
        int v = Base64Value(c);
        if (v < 0)
            continue;   // white space, line breaks and stray characters
        group = (group << 6) | (unsigned)v;
        if (++count == 4) {
            out[written++] = (unsigned char)(group >> 16);
            out[written++] = (unsigned char)(group >> 8);
            out[written++] = (unsigned char)group;
            group = 0;
            count = 0;
        }
    }
    // what a padded or unpadded last group holds
    int tail = GroupBytes(count);
    group <<= 6 * (4 - count);
    for (int k = 0; k < tail; ++k)
        out[written++] = (unsigned char)(group >> (16 - 8 * k));
    return written;
}
