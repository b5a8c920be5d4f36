#include "EnexScanner.h"
#include "Base64.h"
#include "Md5.h"
#include <cstring>

namespace PeloraUI {
namespace Import {

int64_t CEnexScanner::s_maxNoteText = 64ll << 20;
int64_t CEnexScanner::s_spillBytes = 4ll << 20;
size_t CEnexScanner::s_blockBytes = 1 << 20;

namespace {

const size_t kStage = 1 << 16;

// 0: Base64 alphabet, 1: white space, 2: "=", 3: anything else
unsigned char g_class[256];
bool InitClasses()
{
    for (int i = 0; i < 256; ++i)
        g_class[i] = 3;
    for (const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"; *a; ++a)
        g_class[(unsigned char)*a] = 0;
    g_class[(unsigned char)' '] = g_class[(unsigned char)'\t'] = g_class[(unsigned char)'\r'] = g_class[(unsigned char)'\n'] = 1;
    g_class[(unsigned char)'='] = 2;
    return true;
}
const bool g_classesReady = InitClasses();

bool IsPrefixOf(const std::string& part, const char* whole)
{
    return part.size() <= strlen(whole) && memcmp(part.data(), whole, part.size()) == 0;
}

} // namespace

void CEnexNote::Clear()
{
    for (CEnexData& d : data)
        if (!d.file.IsEmpty())
            DeleteFileW(d.file);
    data.clear();
    xml.clear();
    offset = 0;
}

CEnexScanner::CEnexScanner() { (void)g_classesReady; }

CEnexScanner::~CEnexScanner()
{
    Close();
}

bool CEnexScanner::Open(const wchar_t* path, const CString& spoolDir, CString& error)
{
    Close();
    m_file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_file == INVALID_HANDLE_VALUE) {
        error = L"the file cannot be opened.";
        return false;
    }
    m_spoolDir = spoolDir;
    m_countOnly = spoolDir.IsEmpty();
    m_block.resize(s_blockBytes ? s_blockBytes : 1);
    m_pos = m_end = 0;
    m_blockOffset = 0;
    m_eof = false;
    m_state = Text;
    m_depth = 0;
    m_markup.clear();
    if (!m_md5)
        m_md5 = new CMD5;
    return true;
}

void CEnexScanner::Close()
{
    if (m_spill != INVALID_HANDLE_VALUE)
        CloseHandle(m_spill);
    m_spill = INVALID_HANDLE_VALUE;
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    delete m_md5;
    m_md5 = nullptr;
    m_data = nullptr;
    m_note = nullptr;
}

bool CEnexScanner::Fill()
{
    if (m_eof || m_file == INVALID_HANDLE_VALUE)
        return false;
    m_blockOffset += (int64_t)m_end;
    m_pos = m_end = 0;
    DWORD got = 0;
    if (!ReadFile(m_file, m_block.data(), (DWORD)m_block.size(), &got, nullptr) || got == 0) {
        m_eof = true;
        return false;
    }
    m_end = got;
    return true;
}

void CEnexScanner::Emit(const char* bytes, size_t n)
{
    if (m_depth <= 0 || m_countOnly || !m_note || m_tooLarge)
        return;
    if ((int64_t)(m_note->xml.size() + n) > s_maxNoteText) {
        m_tooLarge = true;
        std::string().swap(m_note->xml);
        return;
    }
    m_note->xml.append(bytes, n);
}

CEnexScanner::Result CEnexScanner::Next(CEnexNote& note, CString& reason)
{
    note.Clear();
    m_note = &note;
    m_ready = false;
    m_tooLarge = false;
    for (;;) {
        if (m_pos >= m_end && !Fill()) {
            if (m_depth > 0) {
                // the file ends inside a note (truncated, or a CDATA or comment that never ends)
                if (m_data)
                    EndData();
                m_depth = 0;
                m_state = Text;
                m_markup.clear();
                note.Clear();
                reason = L"the file ends inside a note.";
                return NoteUnusable;
            }
            return EndOfFile;
        }
        const char* b = m_block.data();
        while (m_pos < m_end && !m_ready) {
            switch (m_state) {
            case Text:
            case Data: {
                const char* start = b + m_pos;
                const char* lt = (const char*)memchr(start, '<', m_end - m_pos);
                size_t n = lt ? (size_t)(lt - start) : m_end - m_pos;
                if (m_state == Data)
                    FeedData(start, n);
                else
                    Emit(start, n);
                m_pos += n;
                if (!lt)
                    break;
                if (m_state == Data) {
                    EndData();
                    m_expectDataEnd = true;
                }
                m_markupOffset = m_blockOffset + (int64_t)m_pos;
                m_markup.assign(1, '<');
                m_state = Markup;
                ++m_pos;
                break;
            }
            case Markup: {
                char c = b[m_pos++];
                if (m_markup.size() == 1 && c != '!') {
                    if (c == '?') {
                        Emit("<?", 2);
                        m_tail[0] = m_tail[1] = 0;
                        m_state = Pi;
                        break;
                    }
                    m_state = Tag;
                    m_quote = 0;
                    --m_pos;   // the tag reads this byte again
                    break;
                }
                m_markup += c;
                if (m_markup == "<!--" || m_markup == "<![CDATA[") {
                    Emit(m_markup.data(), m_markup.size());
                    m_tail[0] = m_tail[1] = 0;
                    m_state = m_markup[2] == '-' ? Comment : CData;
                    if (m_expectDataEnd && m_data == nullptr && m_note && !m_note->data.empty())
                        m_note->data.back().bad = true;
                    m_expectDataEnd = false;
                } else if (!IsPrefixOf(m_markup, "<!--") && !IsPrefixOf(m_markup, "<![CDATA[")) {
                    Emit(m_markup.data(), m_markup.size());
                    m_quote = 0;
                    m_bracket = 0;
                    for (char x : m_markup)
                        m_bracket += x == '[' ? 1 : x == ']' ? -1 : 0;
                    m_state = Decl;
                    if (c == '>' && m_bracket <= 0)
                        m_state = Text;
                }
                break;
            }
            case Tag: {
                // a tag is short in any sane file: it is read byte by byte
                while (m_pos < m_end) {
                    char c = b[m_pos++];
                    if ((int64_t)m_markup.size() < s_maxNoteText)
                        m_markup += c;
                    else if (m_depth > 0)
                        m_tooLarge = true;
                    if (m_quote) {
                        if (c == m_quote)
                            m_quote = 0;
                    } else if (c == '"' || c == '\'') {
                        m_quote = c;
                    } else if (c == '>') {
                        TagDone();
                        break;
                    }
                }
                break;
            }
            case Comment:
            case CData:
            case Pi: {
                const char* start = b + m_pos;
                const char* gt = (const char*)memchr(start, '>', m_end - m_pos);
                size_t n = gt ? (size_t)(gt - start) + 1 : m_end - m_pos;
                // the two bytes before the ">" (from this stretch or the tail kept before it)
                char p1 = 0, p2 = 0;
                if (gt) {
                    size_t at = (size_t)(gt - start);
                    p1 = at >= 1 ? start[at - 1] : m_tail[1];
                    p2 = at >= 2 ? start[at - 2] : at == 1 ? m_tail[1] : m_tail[0];
                }
                Emit(start, n);
                m_pos += n;
                if (n >= 2) {
                    m_tail[0] = start[n - 2];
                    m_tail[1] = start[n - 1];
                } else if (n == 1) {
                    m_tail[0] = m_tail[1];
                    m_tail[1] = start[0];
                }
                if (gt) {
                    bool end = m_state == Comment ? (p1 == '-' && p2 == '-')
                             : m_state == CData   ? (p1 == ']' && p2 == ']')
                                                  : p1 == '?';
                    if (end)
                        m_state = Text;
                }
                break;
            }
            case Decl: {
                while (m_pos < m_end) {
                    char c = b[m_pos++];
                    Emit(&c, 1);
                    if (m_quote) {
                        if (c == m_quote)
                            m_quote = 0;
                    } else if (c == '"' || c == '\'') {
                        m_quote = c;
                    } else if (c == '[') {
                        ++m_bracket;
                    } else if (c == ']') {
                        --m_bracket;
                    } else if (c == '>' && m_bracket <= 0) {
                        m_state = Text;
                        break;
                    }
                }
                break;
            }
            }
        }
        if (m_ready) {
            m_ready = false;
            if (m_tooLarge) {
                note.Clear();
                reason.Format(L"a note is larger than %I64d MB without its attachments.", s_maxNoteText >> 20);
                m_tooLarge = false;
                return NoteUnusable;
            }
            return NoteReady;
        }
    }
}

void CEnexScanner::TagDone()
{
    m_state = Text;
    const std::string& t = m_markup;
    size_t i = 1;
    bool closing = t.size() > 1 && t[1] == '/';
    if (closing)
        ++i;
    size_t nameStart = i;
    while (i < t.size() && t[i] != ' ' && t[i] != '\t' && t[i] != '\r' && t[i] != '\n' && t[i] != '/' && t[i] != '>')
        ++i;
    std::string name = t.substr(nameStart, i - nameStart);
    bool selfClosing = t.size() >= 2 && t[t.size() - 2] == '/';
    if (m_expectDataEnd) {
        m_expectDataEnd = false;
        if ((!closing || name != "data") && m_note && !m_note->data.empty())
            m_note->data.back().bad = true;
    }
    if (name == "note") {
        if (!closing) {
            if (m_depth == 0 && m_note) {
                m_note->Clear();
                m_note->offset = m_markupOffset;
                m_tooLarge = false;
            }
            ++m_depth;
            Emit(t.data(), t.size());
            if (selfClosing && --m_depth == 0)
                m_ready = true;
        } else if (m_depth > 0) {
            Emit(t.data(), t.size());
            if (--m_depth == 0)
                m_ready = true;
        }
        return;
    }
    if (m_depth <= 0)
        return;
    Emit(t.data(), t.size());
    if (name == "data" && !closing) {
        StartData();
        if (selfClosing)
            EndData();
        else
            m_state = Data;
    }
}

// --- data elements

void CEnexScanner::StartData()
{
    if (!m_note)
        return;
    m_note->data.emplace_back();
    m_data = &m_note->data.back();
    m_staged.clear();
    m_padding = false;
    if (m_md5)
        m_md5->Init();
}

void CEnexScanner::FeedData(const char* bytes, size_t n)
{
    if (!m_data || m_countOnly)
        return;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)bytes[i];
        switch (g_class[c]) {
        case 0:
            if (m_padding)
                m_data->bad = true;
            m_staged.push_back((char)c);
            break;
        case 1:
            break;
        case 2:
            m_padding = true;
            break;
        default:
            m_data->bad = true;
        }
    }
    if (m_staged.size() >= kStage)
        DecodeStaged(false);
}

void CEnexScanner::DecodeStaged(bool last)
{
    size_t n = last ? m_staged.size() : m_staged.size() / 4 * 4;
    if (n == 0)
        return;
    if (last && n % 4 == 1)
        m_data->bad = true;   // one character left over cannot be Base64
    std::vector<char> out((size_t)Base64DecodedSize((int)n) + 4);
    int got = Base64Decode(m_staged.data(), (int)n, out.data());
    m_staged.erase(0, n);
    if (got > 0)
        PutDecoded(out.data(), got);
}

void CEnexScanner::PutDecoded(const char* bytes, int n)
{
    if (m_md5)
        m_md5->Update(bytes, (size_t)n);
    m_data->size += n;
    if (m_spill == INVALID_HANDLE_VALUE && (int64_t)(m_data->bytes.size() + n) > s_spillBytes) {
        static LONG counter = 0;
        CString path;
        path.Format(L"%sdata_%lu_%ld.bin", m_spoolDir.GetString(), GetCurrentProcessId(), InterlockedIncrement(&counter));
        m_spill = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (m_spill == INVALID_HANDLE_VALUE) {
            m_data->bad = true;
            return;
        }
        m_data->file = path;
        DWORD put = 0;
        if (!m_data->bytes.empty() &&
            (!WriteFile(m_spill, m_data->bytes.data(), (DWORD)m_data->bytes.size(), &put, nullptr) ||
             put != m_data->bytes.size()))
            m_data->bad = true;
        std::string().swap(m_data->bytes);
    }
    if (m_spill != INVALID_HANDLE_VALUE) {
        DWORD put = 0;
        if (!WriteFile(m_spill, bytes, (DWORD)n, &put, nullptr) || put != (DWORD)n)
            m_data->bad = true;
    } else {
        m_data->bytes.append(bytes, (size_t)n);
    }
}

void CEnexScanner::EndData()
{
    if (!m_data)
        return;
    if (!m_countOnly) {
        DecodeStaged(true);
        unsigned char digest[16];
        m_md5->Final(digest);
        CString hex;
        wchar_t* p = hex.GetBuffer(32);
        for (int i = 0; i < 16; ++i) {
            p[2 * i] = L"0123456789abcdef"[digest[i] >> 4];
            p[2 * i + 1] = L"0123456789abcdef"[digest[i] & 15];
        }
        hex.ReleaseBuffer(32);
        m_data->md5 = hex;
    }
    if (m_spill != INVALID_HANDLE_VALUE) {
        CloseHandle(m_spill);
        m_spill = INVALID_HANDLE_VALUE;
    }
    m_staged.clear();
    m_data = nullptr;
}

} // namespace Import
} // namespace PeloraUI
