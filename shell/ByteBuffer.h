// A growable byte buffer that keeps two zero bytes after its data, so the content also reads
// as a zero-terminated narrow or wide text. Users read `data` and `size` directly.
#pragma once

class CByteBuffer {
public:
    static constexpr int kGrowth = 1024 * 1024;   // spare room taken on every growth

    CByteBuffer() = default;
    virtual ~CByteBuffer();
    CByteBuffer(const CByteBuffer&) = delete;
    CByteBuffer& operator=(const CByteBuffer&) = delete;

    // Makes room for `bytes` in all; false (buffer unchanged) when that cannot be allocated.
    bool Reserve(int bytes);
    bool Append(const void* bytes, int length);
    // `count` wide characters, or up to the terminator when -1.
    bool AppendText(const wchar_t* text, int count = -1);
    // One 2-byte unit from a (sign-extended) 8-bit character; used to add a wide terminator.
    bool AppendWideChar(char ch);
    // Takes ownership of a new[] block; no trailing zeros are added.
    void Attach(char* block, int length);
    // Hands the block to the caller (who delete[]s it) and empties the buffer.
    char* Detach();

    char* data = nullptr;
    int capacity = 0;
    int size = 0;
};
