#include "ActivityLog.h"
#include "TextConv.h"
#include <atomic>
#include <cstdio>
#include <cstring>

CActivityLog g_ActivityLog;

namespace {

const wchar_t kLogName[] = L"PeloraNote.log";

// Names the log file process-independently so a second instance sees that the first still
// writes to it.
void MutexNameFor(const wchar_t* path, wchar_t* out, size_t cap)
{
    unsigned long long h = 1469598103934665603ULL;
    for (const wchar_t* p = path; *p; ++p) {
        wchar_t c = *p;
        if (c >= L'A' && c <= L'Z')
            c = (wchar_t)(c - L'A' + L'a');
        if (c == L'/')
            c = L'\\';
        h = (h ^ (unsigned)c) * 1099511628211ULL;
    }
    static const wchar_t prefix[] = L"PeloraNoteLog.";
    size_t n = 0;
    for (; prefix[n] && n + 17 < cap; ++n)
        out[n] = prefix[n];
    for (int shift = 60; shift >= 0 && n + 1 < cap; shift -= 4)
        out[n++] = L"0123456789ABCDEF"[(h >> shift) & 15];
    out[n] = 0;
}

class CLock {
public:
    explicit CLock(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~CLock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION& m_cs;
};

} // namespace

void CActivityLog::BuildDefaultPath(wchar_t* out, size_t cap)
{
    wchar_t exe[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t* slash = wcsrchr(exe, L'\\');
    if (slash && slash > exe)
        slash[1] = 0;
    out[0] = 0;
    wcsncat(out, exe, cap - 1);
    wcsncat(out, kLogName, cap - 1 - wcslen(out));
}

CActivityLog::CActivityLog()
{
    wchar_t path[MAX_PATH + 16];
    BuildDefaultPath(path, MAX_PATH + 16);
    Init(path);
}

CActivityLog::CActivityLog(const wchar_t* path)
{
    Init(path);
}

void CActivityLog::Init(const wchar_t* path)
{
    wcsncpy(m_path, path, MAX_PATH + 15);
    m_path[MAX_PATH + 15] = 0;
    InitializeCriticalSection(&m_cs);
    LARGE_INTEGER freq = {}, now = {};
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    m_msPerTick = freq.QuadPart ? 1000.0 / (double)freq.QuadPart : 0.0;
    m_startCount = now.QuadPart;
    m_indentWidth = 0;
    m_recording = 1;

    // Every run starts an empty log, unless another running instance owns this file: a
    // second start only hands its files over and must not wipe the first one's log.
    wchar_t name[64];
    MutexNameFor(m_path, name, 64);
    m_instanceMutex = CreateMutexW(nullptr, FALSE, name);
    bool another = m_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
    if (!another)
        DeleteFileW(m_path);

    m_indent = new (std::nothrow) char[128]();
    char* buffer = new (std::nothrow) char[kBufferSize]();
    if (!m_indent || !buffer) {
        delete[] m_indent;
        delete[] buffer;
        m_indent = nullptr;
        return;
    }
    m_pos = buffer;
    m_buffer = buffer;   // last: from here on the log takes lines
}

CActivityLog::~CActivityLog()
{
    if (!m_buffer)
        return;
    {
        CLock lock(m_cs);
        delete[] m_buffer;
        delete[] m_indent;
        m_buffer = m_pos = m_indent = nullptr;
    }
    if (m_instanceMutex)
        CloseHandle(m_instanceMutex);
    m_instanceMutex = nullptr;
    DeleteCriticalSection(&m_cs);
}

double CActivityLog::Elapsed() const
{
    LARGE_INTEGER now = {};
    QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - m_startCount) * m_msPerTick;
}

size_t CActivityLog::Pending()
{
    if (!Ready())
        return 0;
    CLock lock(m_cs);
    return (size_t)(m_pos - m_buffer);
}

void CActivityLog::AppendBytes(const char* text, size_t len)
{
    while (len) {
        if (Room() <= kReserve) {
            FlushLocked();
            if (Room() <= kReserve)
                return;   // the file stays unwritable: drop the newest text
        }
        size_t chunk = len < Room() - kReserve ? len : Room() - kReserve;
        memcpy(m_pos, text, chunk);
        m_pos += chunk;
        text += chunk;
        len -= chunk;
    }
}

void CActivityLog::FormatLine(const char* fmt, const SYSTEMTIME& st, double e, double d, const char* name)
{
    if (Room() <= kReserve) {
        FlushLocked();
        if (Room() <= kReserve)
            return;
    }
    int n = snprintf(m_pos, kReserve, fmt, st.wMinute, st.wSecond, st.wMilliseconds, e, d, m_indent,
                     name ? name : "");
    if (n > 0)
        m_pos += (size_t)n < kReserve ? (size_t)n : kReserve - 1;
}

// True when the line was followed by a flush.
bool CActivityLog::AfterLine(unsigned level)
{
    if (Room() >= kReserve && !(level & LOG_LEVEL_SYNC))
        return false;
    FlushLocked();
    return true;
}

int CActivityLog::TraceBegin(unsigned level, const char* name, int /*line*/, int sw)
{
    if (!(level & LOG_LEVEL_WRITTEN) || !Ready())
        return 0;
    CLock lock(m_cs);
    if (sw)
        m_recording = 1;
    if (!m_recording)
        return 0;
    SYSTEMTIME st;
    GetSystemTime(&st);
    m_lastTick = GetTickCount();
    double e = Elapsed();
    m_startTimes[m_indentWidth] = e;
    FormatLine("%02d:%02d:%03d - %12.6f - %12.6f -\t %s%s (begin)\r\n", st, e, 0.0, name);
    if (m_indentWidth < kMaxIndent) {
        memset(m_indent + m_indentWidth, ' ', 4);
        m_indentWidth += 4;
    }
    return AfterLine(level) ? 0 : (int)(m_pos - m_buffer);
}

int CActivityLog::TraceEnd(unsigned level, const char* name, int /*line*/, int sw)
{
    if (!(level & LOG_LEVEL_WRITTEN) || !Ready())
        return 0;
    CLock lock(m_cs);
    if (!m_recording)
        return 0;
    if (sw)
        m_recording = 0;
    SYSTEMTIME st;
    GetSystemTime(&st);
    double e = Elapsed();
    for (int i = 0; i < 4 && m_indentWidth > 0; ++i)
        m_indent[--m_indentWidth] = 0;
    double d = e - m_startTimes[m_indentWidth];
    FormatLine("%02d:%02d:%03d - %12.6f - %12.6f -\t %s%s (exit)\r\n", st, e, d, name);
    return AfterLine(level) ? 0 : (int)(m_pos - m_buffer);
}

void CActivityLog::TraceValue(unsigned level, const char* name, int line, const char* text, const char* text2)
{
    if (!(level & LOG_LEVEL_WRITTEN) || !Ready())
        return;
    CLock lock(m_cs);
    if (!m_recording)
        return;
    SYSTEMTIME st;
    GetSystemTime(&st);
    double e = Elapsed();
    char scratch[kReserve];
    int n;
    if (name)
        n = snprintf(scratch, sizeof scratch, "%02d:%02d:%03d - %12.6f - %12.6f -\t %s%s (%d)", st.wMinute,
                     st.wSecond, st.wMilliseconds, e, 0.0, m_indent, name, line);
    else
        n = snprintf(scratch, sizeof scratch, "%02d:%02d:%03d - %12.6f - %12.6f -\t ", st.wMinute, st.wSecond,
                     st.wMilliseconds, e, 0.0);
    if (n > 0)
        AppendBytes(scratch, (size_t)n < sizeof scratch ? (size_t)n : sizeof scratch - 1);
    if (text)
        AppendBytes(text, strlen(text));
    if (text2)
        AppendBytes(text2, strlen(text2));
    AppendBytes("\r\n", 2);
    AfterLine(level);
}

void CActivityLog::TracePointers(unsigned level, const char* name, int line, uintptr_t v1, uintptr_t v2,
                                 uintptr_t v3)
{
    char text[96];
    snprintf(text, sizeof text, "0x%llx - 0x%llx - 0x%llx", (unsigned long long)v1, (unsigned long long)v2,
             (unsigned long long)v3);
    TraceValue(level, name, line, text, "");
}

void CActivityLog::Append(unsigned level, const char* text)
{
    if (!(level & LOG_LEVEL_WRITTEN) || !Ready() || !text)
        return;
    CLock lock(m_cs);
    if (!m_recording)
        return;
    AppendBytes(text, strlen(text));
    AfterLine(level);
}

void CActivityLog::Flush()
{
    if (!Ready())
        return;
    CLock lock(m_cs);
    FlushLocked();
}

void CActivityLog::FlushLocked()
{
    // Appending only: other instances may write to the same file between our flushes.
    HANDLE h = CreateFileW(m_path, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;   // keep the text; the next flush tries again
    size_t pending = (size_t)(m_pos - m_buffer);
    if (pending) {
        DWORD written = 0;
        if (WriteFile(h, m_buffer, (DWORD)pending, &written, nullptr) || written) {
            memmove(m_buffer, m_buffer + written, pending - written);
            m_pos -= written;
        }
    }
    CloseHandle(h);
}

HANDLE CActivityLog::OpenFlushedForReading()
{
    if (!Ready())
        return INVALID_HANDLE_VALUE;
    Flush();
    return CreateFileW(m_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

BOOL CActivityLog::CopyToClipboard()
{
    HANDLE file = OpenFlushedForReading();
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD size = GetFileSize(file, nullptr);
    HGLOBAL block = size == INVALID_FILE_SIZE ? nullptr : GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)size + 1);
    bool ok = false;
    if (block) {
        if (char* text = (char*)GlobalLock(block)) {
            DWORD got = 0;
            ok = ::ReadFile(file, text, size, &got, nullptr) && got == size;
            text[ok ? size : 0] = 0;
            GlobalUnlock(block);
        }
    }
    CloseHandle(file);
    // Only a complete copy replaces what the user has on the clipboard.
    if (ok && OpenClipboard(nullptr)) {
        EmptyClipboard();
        ok = SetClipboardData(CF_TEXT, block) != nullptr;
        CloseClipboard();
        if (ok)
            return TRUE;
    }
    if (block)
        GlobalFree(block);
    return FALSE;
}

BOOL CActivityLog::SaveAs(const wchar_t* path)
{
    if (!path)
        return FALSE;
    HANDLE src = OpenFlushedForReading();
    if (src == INVALID_HANDLE_VALUE)
        return FALSE;
    HANDLE dst = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (dst == INVALID_HANDLE_VALUE) {
        CloseHandle(src);
        return FALSE;
    }
    static const DWORD kChunk = 64 * 1024;
    char* chunk = new char[kChunk];
    bool ok = true;
    for (;;) {
        DWORD got = 0, put = 0;
        if (!::ReadFile(src, chunk, kChunk, &got, nullptr)) {
            ok = false;
            break;
        }
        if (!got)
            break;
        if (!WriteFile(dst, chunk, got, &put, nullptr) || put != got) {
            ok = false;
            break;
        }
    }
    delete[] chunk;
    CloseHandle(dst);
    CloseHandle(src);
    return ok ? TRUE : FALSE;
}

void CActivityLog::Clear()
{
    if (!Ready())
        return;
    CLock lock(m_cs);
    HANDLE h = CreateFileW(m_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
}

// ---- CLogStream ----

namespace {
std::atomic<int> s_openRecords{0};
}

int CLogStream::OpenRecords()
{
    return s_openRecords.load();
}

CLogStream& CLogStream::Begin(unsigned level)
{
    m_level = level;
    ++s_openRecords;
    if (level != LOG_LEVEL_STORE)
        g_ActivityLog.Append(level, "\t\t");
    return *this;
}

CLogStream& CLogStream::operator<<(const char* text)
{
    g_ActivityLog.Append(m_level, text);
    return *this;
}

CLogStream& CLogStream::operator<<(const wchar_t* text)
{
    char* utf8 = nullptr;
    if (text && WideToUtf8(text, utf8)) {
        g_ActivityLog.Append(m_level, utf8);
        delete[] utf8;
    }
    return *this;
}

CLogStream& CLogStream::AppendSigned(long long v)
{
    char text[32];
    snprintf(text, sizeof text, "%lld", v);
    g_ActivityLog.Append(m_level, text);
    return *this;
}

CLogStream& CLogStream::AppendUnsigned(unsigned long long v)
{
    char text[32];
    snprintf(text, sizeof text, "%llu", v);
    g_ActivityLog.Append(m_level, text);
    return *this;
}

void CLogStream::End()
{
    if (--s_openRecords == 0)
        g_ActivityLog.Append(m_level, "\n");
}
