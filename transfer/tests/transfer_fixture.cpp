#include "transfer_fixture.h"
#include "Md5.h"
#include "TextConv.h"
#include <sqlite3.h>

using namespace Pelora;

namespace TransferTest {

std::string Base64(const std::string& bytes)
{
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8 | (unsigned char)bytes[i + 2];
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += abc[(v >> 6) & 63];
        out += abc[v & 63];
        if (out.size() % 77 == 76)
            out += '\n';
    }
    if (i + 1 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16;
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        unsigned v = (unsigned char)bytes[i] << 16 | (unsigned char)bytes[i + 1] << 8;
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += abc[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string Md5Hex(const std::string& bytes)
{
    CMD5 md5;
    md5.Init();
    md5.Update(bytes.data(), bytes.size());
    std::string hex = md5.HexDigest();
    for (char& c : hex)
        c = (char)tolower((unsigned char)c);
    return hex;
}

std::string Utf8(const CString& text)
{
    return ModelTest::Narrow(text);
}

namespace {

unsigned Crc(const std::string& bytes)
{
    unsigned c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

std::string Be32(unsigned v)
{
    return std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
}

std::string Chunk(const char* type, const std::string& data)
{
    std::string body = std::string(type, 4) + data;
    return Be32((unsigned)data.size()) + body + Be32(Crc(body));
}

unsigned Adler(const std::string& bytes)
{
    unsigned a = 1, b = 0;
    for (unsigned char c : bytes) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

} // namespace

std::string TinyPng(int w, int h, unsigned rgb)
{
    std::string raw;
    for (int y = 0; y < h; ++y) {
        raw += '\0';
        for (int x = 0; x < w; ++x) {
            raw += (char)(rgb >> 16);
            raw += (char)(rgb >> 8);
            raw += (char)rgb;
        }
    }
    // zlib stream of stored blocks
    std::string z = "\x78\x01";
    for (size_t i = 0; i < raw.size() || i == 0; i += 65535) {
        size_t n = std::min<size_t>(65535, raw.size() - i);
        bool last = i + n >= raw.size();
        z += (char)(last ? 1 : 0);
        z += (char)(n & 255);
        z += (char)(n >> 8);
        z += (char)(~n & 255);
        z += (char)((~n >> 8) & 255);
        z += raw.substr(i, n);
        if (last)
            break;
    }
    z += Be32(Adler(raw));
    std::string ihdr = Be32(w) + Be32(h) + std::string("\x08\x02\x00\x00\x00", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IDAT", z) + Chunk("IEND", "");
}

// --- progress recorder

ProgressRecorder::ProgressRecorder()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PeloraImportProgressRecorder";
        RegisterClassW(&wc);
        registered = true;
    }
    m_wnd = CreateWindowW(L"PeloraImportProgressRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(m_wnd, GWLP_USERDATA, (LONG_PTR)this);
}

ProgressRecorder::~ProgressRecorder()
{
    DestroyWindow(m_wnd);
}

LRESULT CALLBACK ProgressRecorder::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    using namespace PeloraUI::Import;
    auto* self = (ProgressRecorder*)GetWindowLongPtrW(wnd, GWLP_USERDATA);
    if (!self || msg < WM_IMPORT_SET_NUM_FILES || msg > WM_IMPORT_UPDATE_INFO)
        return DefWindowProcW(wnd, msg, wp, lp);
    const wchar_t* text = (const wchar_t*)lp;
    static const char* names[] = {"files", "file", "notes", "note"};
    std::string line = std::string(names[msg - WM_IMPORT_SET_NUM_FILES]) + " " + std::to_string(wp);
    if (text)
        line += " " + ModelTest::Narrow(text);
    if (msg == WM_IMPORT_UPDATE_INFO && self->onNote)
        self->onNote(self->onNoteData, wp, text);
    self->lines.push_back(line);
    delete[] text;
    return 0;
}

// --- fixture

void ImportFixture::SetUp()
{
    NotebookFixture::SetUp();
    Load();
}

CString ImportFixture::Write(const wchar_t* name, const std::string& bytes)
{
    CString path = dir + name;
    ModelTest::WriteFileBytes(path, bytes);
    return path;
}

std::string ImportFixture::Text(const char* sql)
{
    sqlite3_stmt* st = nullptr;
    std::string v;
    if (sqlite3_prepare_v2(db.GetHandle(), sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW &&
        sqlite3_column_text(st, 0))
        v = (const char*)sqlite3_column_text(st, 0);
    sqlite3_finalize(st);
    return v;
}

std::string ImportFixture::Body(CNoteItem* note)
{
    if (!note)
        return std::string();
    DB::CItemNote rec;
    rec.itemid = note->GetItemId();
    rec.content_id = note->GetRecord().content_id;
    rec.note_id = note->GetNoteId();
    db.NoteLoadContent(&rec);
    return Utf8(CString(rec.GetContentText(), rec.content_size / 2));
}

CFolderItem* ImportFixture::FolderNamed(const wchar_t* name, CFolderItem* parent)
{
    if (!parent)
        parent = book->GetFolder(kUserFolderId, 1);
    return parent ? parent->FindChildFolder(name, -1) : nullptr;
}

std::vector<std::string> ImportFixture::TagsOf(CNoteItem* note)
{
    std::vector<std::string> out;
    for (int i = 0; note && i < note->GetTagCount(); ++i)
        out.push_back(Utf8(note->GetTagAt(i)));
    return out;
}

} // namespace TransferTest
