// The process-wide activity log "PeloraNote.log" beside the executable, trace scopes and the
// record writer the store and the sync side use.
#pragma once
#include "Framework.h"
#include <cstdint>
#include <type_traits>

// Levels are bit sets; only these bits reach the log.
enum : unsigned {
    LOG_LEVEL_TRACE = 0x001,    // ordinary trace scopes
    LOG_LEVEL_SYNC = 0x020,     // sync phases and records; flushed at once
    LOG_LEVEL_INFO = 0x100,     // start-up and shut-down lines
    LOG_LEVEL_PAINT = 0x200,
    LOG_LEVEL_FREQUENT = 0x400,
    LOG_LEVEL_STORE = 0x800,    // store records
    LOG_LEVEL_WRITTEN = 0x920,
};

class CActivityLog {
public:
    static constexpr size_t kBufferSize = 4 * 1024 * 1024;
    static constexpr size_t kReserve = 2048;     // a formatted line must fit in this
    static constexpr int kMaxIndent = 100;

    // The program's log: the file beside the executable, deleted unless another running
    // instance still writes to it.
    CActivityLog();
    // A log on an explicit file (tests, tools); the file is deleted the same way.
    explicit CActivityLog(const wchar_t* path);
    ~CActivityLog();
    CActivityLog(const CActivityLog&) = delete;
    CActivityLog& operator=(const CActivityLog&) = delete;

    int TraceBegin(unsigned level, const char* name, int line, int sw);
    int TraceEnd(unsigned level, const char* name, int line, int sw);
    void TraceValue(unsigned level, const char* name, int line, const char* text, const char* text2);
    void TracePointers(unsigned level, const char* name, int line, uintptr_t v1, uintptr_t v2, uintptr_t v3);
    // Raw bytes at a level: no time prefix, no line end.
    void Append(unsigned level, const char* text);
    void Flush();

    BOOL CopyToClipboard();
    BOOL SaveAs(const wchar_t* path);
    void Clear();

    const wchar_t* GetPath() const { return m_path; }
    int IsRecording() const { return m_recording; }
    // Bytes waiting in memory (tests).
    size_t Pending();

    // The executable's folder plus "PeloraNote.log".
    static void BuildDefaultPath(wchar_t* out, size_t cap);

private:
    void Init(const wchar_t* path);
    bool Ready() const { return m_buffer != nullptr; }
    double Elapsed() const;
    size_t Room() const { return (size_t)(m_buffer + kBufferSize - m_pos); }
    void AppendBytes(const char* text, size_t len);
    bool AfterLine(unsigned level);
    void FormatLine(const char* fmt, const SYSTEMTIME& st, double e, double d, const char* name);
    void FlushLocked();
    // Flushes what is pending and opens the file for reading; INVALID_HANDLE_VALUE when not ready.
    HANDLE OpenFlushedForReading();

    // All fields are valid in their all-zero state: the log is a static object and may be
    // called by other static constructors before its own constructor has run.
    double m_msPerTick = 0;
    LONGLONG m_startCount = 0;
    double m_startTimes[256] = {};
    DWORD m_lastTick = 0;
    char* m_buffer = nullptr;
    char* m_pos = nullptr;
    char* m_indent = nullptr;
    int m_indentWidth = 0;
    CRITICAL_SECTION m_cs;
    int m_recording = 0;
    HANDLE m_instanceMutex = nullptr;
    wchar_t m_path[MAX_PATH + 16] = {};
};

// The one log of the process.
extern CActivityLog g_ActivityLog;

// Writes a "(begin)" line when constructed and the "(exit)" line when it goes out of scope.
class CTraceScope {
public:
    CTraceScope(unsigned level, const char* name, int line, int sw = 0)
        : m_level(level), m_name(name), m_line(line), m_switch(sw)
    {
        g_ActivityLog.TraceBegin(m_level, m_name, m_line, m_switch);
    }
    ~CTraceScope() { g_ActivityLog.TraceEnd(m_level, m_name, m_line, m_switch); }
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

private:
    unsigned m_level;
    const char* m_name;
    int m_line;
    int m_switch;
};

#define PELORA_TRACE_CAT2(a, b) a##b
#define PELORA_TRACE_CAT(a, b) PELORA_TRACE_CAT2(a, b)
// PELORA_TRACE_SCOPE(1, "Pelora::CNotebook::Load");
#define PELORA_TRACE_SCOPE(level, name) \
    CTraceScope PELORA_TRACE_CAT(_traceScope, __LINE__)(level, name, __LINE__, 0)

// A free-text record: Begin(level) << name << ":" << line << " - " << text; End().
class CLogStream {
public:
    CLogStream() = default;
    explicit CLogStream(unsigned level) { Begin(level); }

    CLogStream& Begin(unsigned level);
    CLogStream& operator<<(const char* text);
    CLogStream& operator<<(const wchar_t* text);
    template <class T, std::enable_if_t<std::is_integral<T>::value && !std::is_same<T, bool>::value &&
                                            !std::is_same<T, char>::value && !std::is_same<T, wchar_t>::value,
                                        int> = 0>
    CLogStream& operator<<(T value)
    {
        if (std::is_signed<T>::value)
            return AppendSigned((long long)value);
        return AppendUnsigned((unsigned long long)value);
    }
    void End();

    // Records open in the process (nested records end the line only when the last closes).
    static int OpenRecords();

private:
    CLogStream& AppendSigned(long long v);
    CLogStream& AppendUnsigned(unsigned long long v);
    unsigned m_level = 0;
};
