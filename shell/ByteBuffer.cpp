#include "ByteBuffer.h"
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

CByteBuffer::~CByteBuffer()
{
    delete[] data;
}

bool CByteBuffer::Reserve(int bytes)
{
    if (bytes <= capacity)
        return true;
    if (bytes < 0 || bytes > INT_MAX - kGrowth)
        return false;
    char* block = new (std::nothrow) char[bytes + kGrowth];
    if (!block)
        return false;
    if (data && size)
        memcpy(block, data, size);
    delete[] data;
    data = block;
    capacity = bytes + kGrowth;
    return true;
}

bool CByteBuffer::Append(const void* bytes, int length)
{
    if (length < 0 || (length && !bytes) || size > INT_MAX - 2 - length)
        return false;
    if (!Reserve(size + length + 2))
        return false;
    if (length)
        memcpy(data + size, bytes, length);
    size += length;
    data[size] = 0;
    data[size + 1] = 0;
    return true;
}

bool CByteBuffer::AppendText(const wchar_t* text, int count)
{
    if (!text)
        return count <= 0;
    if (count < 0)
        count = (int)wcslen(text);
    if (count > (INT_MAX - 2) / 2)
        return false;
    return Append(text, count * 2);
}

bool CByteBuffer::AppendWideChar(char ch)
{
    wchar_t unit = (wchar_t)(short)(signed char)ch;
    return Append(&unit, 2);
}

void CByteBuffer::Attach(char* block, int length)
{
    if (block != data)
        delete[] data;
    data = block;
    capacity = size = block ? length : 0;
}

char* CByteBuffer::Detach()
{
    char* block = data;
    data = nullptr;
    capacity = size = 0;
    return block;
}
