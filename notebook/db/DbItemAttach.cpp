// The attachment record: its byte buffer, its stream, import from and export to files.
#include "PeloraDatabase.h"
#include "DbFileHelpers.h"
#include "ObjectId.h"
#include "TextConv.h"
#include <algorithm>
#include <cstring>
#include <ctime>

namespace DB {

namespace {

const int kChunk = 65536;

const wchar_t* const kSystemAttaches[] = {
    L"pred69.png", L"loader_2.gif", L"index.htm", L"index_ru.htm", L"style.css", L"style_ru.css",
    L"note.png",   L"folder.png",   L"help.png",  L"clipper.png",  L"logo.png",  L"screen.png",
};

CString AttachesPath()
{
    CPeloraDatabase* db = CPeloraDatabase::GetCurrent();
    return db ? db->GetAttachesPath() : CString();
}

bool WriteAll(HANDLE file, const void* bytes, DWORD count)
{
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

} // namespace

CItemAttach::~CItemAttach()
{
    CloseStream();
    RelocateBuffer(0);
}

CItemAttach& CItemAttach::operator=(const CItemAttach& s)
{
    if (this == &s)
        return *this;
    itemid = s.itemid;
    attach_id = s.attach_id;
    note_id = s.note_id;
    hash = s.hash;
    filename = s.filename;
    type = s.type;
    mime = s.mime;
    date_create = s.date_create;
    date_update = s.date_update;
    b_syncdirty = s.b_syncdirty;
    b_removed = s.b_removed;
    sync_priority = s.sync_priority;
    sync_url = s.sync_url;
    srv_id = s.srv_id;
    flags = s.flags;
    filter_mask = s.filter_mask;
    // The bytes are copied; a stream belongs to the record that opened it.
    BYTE* copy = nullptr;
    if (s.data && s.m_dataLength > 0) {
        copy = new BYTE[(size_t)s.m_dataLength + 8];
        memcpy(copy, s.data, (size_t)s.m_dataLength + 8);
    }
    delete[] data;
    data = copy;
    m_dataLength = copy ? s.m_dataLength : 0;
    size = s.size;
    return *this;
}

int64_t CItemAttach::RelocateBuffer(int64_t newSize)
{
    int32_t n = (int32_t)newSize;
    BYTE* block = nullptr;
    if (n >= 1) {
        block = new BYTE[(size_t)n + 8];
        if (data)
            memcpy(block, data, (size_t)std::min<int64_t>(n, m_dataLength));
        memset(block + n, 0, 8);
    }
    delete[] data;
    data = block;
    m_dataLength = block ? n : 0;
    size = n;
    return size;
}

void CItemAttach::SetDataText(const CString& text)
{
    int bytes = (text.GetLength() + 1) * (int)sizeof(wchar_t);
    RelocateBuffer(0);
    RelocateBuffer(bytes);
    memcpy(data, text.GetString(), bytes);
}

CString CItemAttach::GetDataText() const
{
    if (!data || m_dataLength < 2)
        return CString();
    const wchar_t* text = (const wchar_t*)data;
    int maxChars = (int)(m_dataLength / 2);
    int n = 0;
    while (n < maxChars && text[n])
        ++n;
    return CString(text, n);
}

CString CItemAttach::GetStorageFileName() const
{
    return Files::SanitizeFileName(attach_id + L"_" + filename);
}

CString CItemAttach::GetStorageFilePath() const
{
    CString text = GetDataText();
    if (!text.IsEmpty() && Files::IsAbsolutePath(text))
        return text;
    CString folder = AttachesPath();
    if (folder.IsEmpty())
        return CString();
    // A plain name stored in data names the file; anything else is rebuilt from the row.
    if (!text.IsEmpty() && text.FindOneOf(L"\\/:") < 0 && text != L"." && text != L"..")
        return folder + text;
    return folder + GetStorageFileName();
}

bool CItemAttach::IsSystemAttach() const
{
    for (const wchar_t* name : kSystemAttaches)
        if (attach_id == name)
            return true;
    return false;
}

int CItemAttach::ImportFromFile(const wchar_t* path, const wchar_t* noteId, int newType, const wchar_t* attachId)
{
    RelocateBuffer(0);
    attach_id.Empty();
    HANDLE src = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (src == INVALID_HANDLE_VALUE)
        return 0;
    if (attachId && *attachId)
        attach_id = attachId;
    else
        PeloraGenerateKeyString(attach_id);
    date_create = date_update = (int)time(nullptr);
    flags = 0;
    sync_priority = 0;
    sync_url.Empty();
    srv_id.Empty();
    b_removed = 0;
    b_syncdirty = 1;
    if (noteId)
        note_id = noteId;
    if (newType >= 0)
        type = newType;
    filename = Files::UrlGetFileName(path);
    mime = Files::GetMimeType(filename);
    hash.Empty();

    LARGE_INTEGER length = {};
    GetFileSizeEx(src, &length);
    if (IsFileStorageSize(length.QuadPart))
        flags |= AttachFlagFileStorage;

    if (IsFileStorage()) {
        CloseHandle(src);
        CString folder = AttachesPath();
        if (folder.IsEmpty())
            return 0;
        Files::CreateDir(folder);
        CString name = GetStorageFileName();
        SetDataText(name);
        size = length.QuadPart;
        // An existing file of that name is never overwritten.
        return SQLite3::CopyFileTo(path, folder + name, TRUE) ? 1 : 0;
    }

    int n = (int)length.QuadPart;
    RelocateBuffer(n);
    DWORD done = 0;
    bool ok = true;
    while (ok && (int)done < n) {
        DWORD got = 0;
        ok = ReadFile(src, data + done, (DWORD)std::min(n - (int)done, 1 << 20), &got, nullptr) && got > 0;
        done += got;
    }
    CloseHandle(src);
    if (!ok) {
        RelocateBuffer(0);
        return 0;
    }
    return 1;
}

int CItemAttach::OpenStream(int mode)
{
    if (stream_pos != -1 || stream_file != INVALID_HANDLE_VALUE)
        return 0;
    int result = 1;
    if (IsFileStorage()) {
        CString folder = AttachesPath();
        CString path;
        if (!folder.IsEmpty()) {
            Files::CreateDir(folder);
            if (mode == 1) {
                // The row keeps the file's name; readers put the attachments folder before it.
                SetDataText(GetStorageFileName());
                size = 0;
                path = folder + GetStorageFileName();
            } else {
                path = GetStorageFilePath();
            }
        }
        if (!path.IsEmpty())
            stream_file = mode == 1 ? CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                    : CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (stream_file == INVALID_HANDLE_VALUE)
            result = 0;
    } else if (mode == 1) {
        RelocateBuffer(0);
    }
    stream_mode = result ? mode : -1;
    stream_pos = result ? 0 : -1;
    return result;
}

int CItemAttach::ReadData(void* buffer, int count)
{
    if (stream_pos < 0 || count <= 0)
        return 0;
    if (stream_file != INVALID_HANDLE_VALUE) {
        DWORD got = 0;
        if (!buffer || !ReadFile(stream_file, buffer, (DWORD)count, &got, nullptr))
            return 0;
        stream_pos += got;
        return (int)got;
    }
    int64_t left = size - stream_pos;
    if (count > left)
        count = (int)std::max<int64_t>(left, 0);
    if (!data || !buffer || count <= 0)
        return 0;
    memcpy(buffer, data + stream_pos, count);
    stream_pos += count;
    return count;
}

int CItemAttach::WriteData(const void* bytes, int count)
{
    if (stream_pos < 0 || count < 0)
        return 0;
    if (stream_file != INVALID_HANDLE_VALUE) {
        // A failed write (a full disk) reports nothing written.
        if (!bytes || !WriteAll(stream_file, bytes, (DWORD)count))
            return 0;
        stream_pos += count;
        return count;
    }
    if (stream_pos + count >= size || stream_pos + count > m_dataLength) {
        // Grow geometrically so many small writes stay linear.
        int64_t want = std::max<int64_t>(stream_pos + 10 * (int64_t)count, 2 * m_dataLength);
        if (want > 0x7FFFFFF0)
            want = std::max<int64_t>(stream_pos + count, 0x7FFFFFF0);
        RelocateBuffer(want);
    }
    if (data && bytes) {
        memcpy(data + stream_pos, bytes, count);
        stream_pos += count;
    }
    return count;
}

int64_t CItemAttach::GetDataSize()
{
    if (stream_file != INVALID_HANDLE_VALUE) {
        LARGE_INTEGER length = {};
        GetFileSizeEx(stream_file, &length);
        return length.QuadPart;
    }
    return size;
}

void CItemAttach::CloseStream()
{
    if (stream_pos >= 0 && stream_mode == 1) {
        size = stream_pos;
        // the 8 zero bytes follow the bytes written, as after any relocation
        if (data && stream_file == INVALID_HANDLE_VALUE && size <= m_dataLength)
            memset(data + size, 0, 8);
    }
    if (stream_file != INVALID_HANDLE_VALUE) {
        CloseHandle(stream_file);
        stream_file = INVALID_HANDLE_VALUE;
    }
    stream_pos = -1;
}

int CItemAttach::SaveToFile(const wchar_t* path, float* progress)
{
    HANDLE out = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return 0;
    bool ok = true;
    if (IsFileStorage()) {
        CString source = GetStorageFilePath();
        HANDLE in = source.IsEmpty() ? INVALID_HANDLE_VALUE
                                     : CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE) {
            CloseHandle(out);
            return 0;
        }
        LARGE_INTEGER length = {};
        GetFileSizeEx(in, &length);
        BYTE* chunk = new BYTE[kChunk];
        int64_t copied = 0;
        while (ok && copied < length.QuadPart) {
            DWORD got = 0;
            // A file shorter than its length ends the copy.
            if (!ReadFile(in, chunk, kChunk, &got, nullptr) || got == 0)
                break;
            ok = WriteAll(out, chunk, got);
            copied += got;
            if (progress)
                *progress = (float)((double)copied / (double)length.QuadPart * 100.0);
        }
        delete[] chunk;
        CloseHandle(in);
    } else {
        if (CPeloraDatabase* db = CPeloraDatabase::GetCurrent())
            db->LoadAttachContent(this);
        uint32_t total = (uint32_t)size;
        uint32_t written = 0;
        while (ok && data && written < total) {
            uint32_t n = std::min<uint32_t>(total - written, kChunk);
            ok = WriteAll(out, data + written, n);
            written += n;
            if (progress)
                *progress = (float)((double)written / (double)total * 100.0);
        }
    }
    CloseHandle(out);
    return ok ? 1 : 0;
}

bool CItemAttach::ExportToJsonFormat(CFile* output, const char* indent, bool is_last, const wchar_t* folder)
{
    if (IsSystemAttach())
        return true;
    CStringA text = ExportToJsonText(indent, is_last, folder);
    if (!output)
        return false;
    try {
        output->Write(text.GetString(), (UINT)text.GetLength());
    } catch (CFileException* e) {
        // a full disk or a closed file: the caller's export reports it
        e->Delete();
        return false;
    }
    return true;
}

CStringA CItemAttach::ExportToJsonText(const char* indent, bool is_last, const wchar_t* folder)
{
    if (IsSystemAttach())
        return CStringA();
    if (CPeloraDatabase* db = CPeloraDatabase::GetCurrent())
        db->LoadAttachContent(this);
    CString dir = folder ? folder : L"";
    CString base = dir + GetStorageFileName();
    CString target = base;
    for (int n = 1; GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES; ++n)
        target.Format(L"%s%d", base.GetString(), n);
    SaveToFile(target, nullptr);

    // ".\<last folder>\<name>": the folder's parent becomes "."
    CString parent = dir;
    if (!parent.IsEmpty() && (parent[parent.GetLength() - 1] == L'\\' || parent[parent.GetLength() - 1] == L'/'))
        parent.Truncate(parent.GetLength() - 1);
    int cut = parent.ReverseFind(L'\\');
    if (cut > 0)
        parent.Truncate(cut);
    CString pathname = L"." + target.Mid(parent.GetLength());

    CStringA in = indent ? indent : "";
    CStringA text = in + "{\r\n";
    auto field = [&](const char* key, const CStringA& value, bool last) {
        text += in + "\"" + key + "\":\"" + value + (last ? "\"\r\n" : "\",\r\n");
    };
    auto num = [](int v) {
        CStringA s;
        s.Format("%d", v);
        return s;
    };
    field("attach_id", EscapeJsonWide(attach_id), false);
    field("attachname", EscapeJsonWide(filename), false);
    field("type", num(type), false);
    field("mime", EscapeJsonWide(mime), false);
    field("date_create", num(date_create), false);
    field("date_update", num(date_update), false);
    field("b_syncdirty", num(b_syncdirty), false);
    field("b_removed", num(b_removed), false);
    field("sync_priority", num(sync_priority), false);
    field("sync_url", EscapeJsonWide(sync_url), false);
    field("srv_id", EscapeJsonWide(srv_id), false);
    field("pathname", EscapeJsonWide(pathname), true);
    text += in + (is_last ? "} \r\n" : "},\r\n");
    return text;
}

} // namespace DB
