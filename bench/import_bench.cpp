// The importers beside a plain parse of the same file. Three inputs are generated into a
// temporary folder: an ENEX export of 5,000 notes with one picture each (about 25 MB), an ENEX
// export of 10,000 notes one of which carries a 150 MB resource, and the program's own JSON
// export of 10,000 notes. Each is imported into a fresh store several times and parsed with
// TinyXML (ENEX) or JsonCpp (JSON) alone several times; the medians, their ratio, the peak
// working set of the import and the rows the store holds afterwards (counted with SQL) are
// printed. Run by hand: bench_import.exe [enex|big|json]... (all three by default)
#include "EvernoteImport.h"
#include "JsonImport.h"
#include "Notebook.h"
#include "Md5.h"
#include "bench_clock.h"
#include <json/json.h>
#include <psapi.h>
#include <sqlite3.h>
#include <tinyxml.h>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace Pelora;
using namespace PeloraUI::Import;

namespace {

// PELORA_BENCH_RUNS and PELORA_BENCH_NOTES (pictures file only) make quicker runs by hand.
int Runs()
{
    const char* v = getenv("PELORA_BENCH_RUNS");
    return v && atoi(v) > 0 ? atoi(v) : 3;
}

int PictureNotes()
{
    const char* v = getenv("PELORA_BENCH_NOTES");
    return v && atoi(v) > 0 ? atoi(v) : 5000;
}

CString TempDir(const wchar_t* name)
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    CString dir;
    dir.Format(L"%spelora_bench_%s_%lu\\", base, name, GetCurrentProcessId());
    CreateDirectoryW(dir, nullptr);
    return dir;
}

void RemoveTree(const CString& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"*", &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            CString name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + L"\\");
            else
                DeleteFileW(dir + name);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir);
}

double PeakMb()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize / 1048576.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class Writer {
public:
    explicit Writer(const CString& path)
    {
        m_f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    }
    ~Writer()
    {
        Flush();
        CloseHandle(m_f);
    }
    void Put(const std::string& s)
    {
        m_buf += s;
        if (m_buf.size() > (1 << 20))
            Flush();
    }
    void Flush()
    {
        DWORD n = 0;
        if (!m_buf.empty())
            WriteFile(m_f, m_buf.data(), (DWORD)m_buf.size(), &n, nullptr);
        m_buf.clear();
    }
    int64_t written = 0;

private:
    HANDLE m_f;
    std::string m_buf;
};

std::string Base64(const unsigned char* b, size_t n)
{
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve(n / 3 * 4 + n / 57 + 8);
    size_t i = 0, col = 0;
    for (; i + 2 < n; i += 3) {
        unsigned v = b[i] << 16 | b[i + 1] << 8 | b[i + 2];
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += abc[(v >> 6) & 63];
        out += abc[v & 63];
        if (++col == 19) {
            out += '\n';
            col = 0;
        }
    }
    if (i + 1 == n) {
        unsigned v = b[i] << 16;
        out += abc[v >> 18];
        out += abc[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == n) {
        unsigned v = b[i] << 16 | b[i + 1] << 8;
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

// A picture-sized resource: a PNG signature and pseudo-random bytes (unique per note).
std::string Picture(int seed, size_t size)
{
    std::string p("\x89PNG\r\n\x1a\n", 8);
    unsigned x = 2463534242u ^ (unsigned)seed * 2654435761u;
    while (p.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        p += (char)(x & 255);
    }
    return p;
}

std::string NoteXml(int i, const std::string& res, const char* mime)
{
    std::string hash = res.empty() ? std::string() : Md5Hex(res);
    std::string t = "<note><title>Note " + std::to_string(i) + " \xC3\xA9t\xC3\xA9</title><content><![CDATA["
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE en-note SYSTEM "
                    "\"http://xml.evernote.com/pub/enml2.dtd\"><en-note><div>Body of note " + std::to_string(i) +
                    " with some words to make it a plausible size, and a line more.</div><div><br/></div>";
    if (!res.empty())
        t += "<en-media hash=\"" + hash + "\" type=\"" + mime + "\"/>";
    t += "</en-note>]]></content><created>20240115T103000Z</created><updated>20240116T103000Z</updated>"
         "<tag>bench</tag><tag>t" + std::to_string(i % 50) + "</tag>";
    if (!res.empty())
        t += "<resource><data encoding=\"base64\">\n" + Base64((const unsigned char*)res.data(), res.size()) +
             "\n</data><mime>" + mime + "</mime></resource>";
    return t + "</note>\n";
}

const char* kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE en-export SYSTEM "
                    "\"http://xml.evernote.com/pub/evernote-export3.dtd\">\n<en-export export-date=\"20240101T000000Z\">\n";

int64_t FileSize(const CString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA a = {};
    GetFileAttributesExW(path, GetFileExInfoStandard, &a);
    return (int64_t)a.nFileSizeHigh << 32 | a.nFileSizeLow;
}

void MakeEnexPictures(const CString& path)
{
    Writer w(path);
    w.Put(kHead);
    for (int i = 0; i < PictureNotes(); ++i)
        w.Put(NoteXml(i, Picture(i, 3600), "image/png"));
    w.Put("</en-export>\n");
}

void MakeEnexBig(const CString& path)
{
    Writer w(path);
    w.Put(kHead);
    for (int i = 0; i < 10000; ++i) {
        if (i != 5000) {
            w.Put(NoteXml(i, std::string(), nullptr));
            continue;
        }
        // the 150 MB resource, written in pieces: its Base64 text never sits in memory whole
        std::string res = Picture(i, 150u << 20);
        std::string hash = Md5Hex(res);
        w.Put("<note><title>Big</title><content><![CDATA[<en-note><en-media hash=\"" + hash +
              "\" type=\"application/octet-stream\"/></en-note>]]></content><resource><data encoding=\"base64\">\n");
        for (size_t at = 0; at < res.size(); at += 57 * 1024)
            w.Put(Base64((const unsigned char*)res.data() + at, std::min<size_t>(57 * 1024, res.size() - at)) + "\n");
        w.Put("</data><mime>application/octet-stream</mime></resource></note>\n");
    }
    w.Put("</en-export>\n");
}

class FileOutput : public IExportOutput {
public:
    explicit FileOutput(const CString& path) : m_w(path) {}
    bool Write(const void* bytes, int length) override
    {
        m_w.Put(std::string((const char*)bytes, (size_t)length));
        return true;
    }

private:
    Writer m_w;
};

// The program's own export of 10,000 notes in 20 folders with tags and two tasks each.
void MakeJson(const CString& dir, const CString& path)
{
    DB::CPeloraDatabase db;
    db.OpenDatabase(dir + L"source.db", 1);
    {
        CNotebook book(&db);
        book.LoadNotebook();
        sqlite3_exec(db.GetHandle(), "BEGIN", nullptr, nullptr, nullptr);
        std::vector<CFolderItem*> folders;
        for (int f = 0; f < 20; ++f) {
            CString name;
            name.Format(L"Folder %d", f);
            folders.push_back(book.CreateFolder(name, FolderUser, book.GetFolder(kUserFolderId, 1)));
        }
        for (int i = 0; i < 10000; ++i) {
            CNoteItem* n = book.CreateNote(folders[i % 20], 1);
            CString title, body;
            title.Format(L"Note %d \u00e9t\u00e9", i);
            body.Format(L"<div>Body of note %d with some words to make it a plausible size, and a line more.</div>"
                        L"<div>Second line &amp; a <b>bold</b> word.</div><div><!checkbox />task</div>", i);
            n->SetTitle(title);
            n->SetContentText(body);
            n->GetRecord().PreparePreviewText();
            db.NoteUpdateContent(&n->GetRecord());
            db.NoteUpdatePreview(&n->GetRecord());
            db.UpdateNote(&n->GetRecord(), 1);
            std::vector<CString> tags{L"bench", title.Right(1)};
            book.SetNoteTags(&tags, n, 0);
            n->AddTask(L"first", 0);
            n->AddTask(L"second", 1);
            n->SaveTasks();
            n->FreeData();
        }
        sqlite3_exec(db.GetHandle(), "COMMIT", nullptr, nullptr, nullptr);
        FileOutput out(path);
        CreateDirectoryW(dir + L"files\\", nullptr);
        book.ExportToJson(nullptr, &out, dir + L"files\\");
    }
    db.CloseDatabase();
}

int QueryInt(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    int v = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return v;
}

long long QueryInt64(sqlite3* db, const char* sql)
{
    sqlite3_stmt* st = nullptr;
    long long v = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

// Imports the file into a fresh store; returns seconds and prints the counts of the first run.
double ImportOnce(const CString& dir, const CString& file, bool json, bool report)
{
    CString storeDir = dir + L"store\\";
    RemoveTree(storeDir);
    CreateDirectoryW(storeDir, nullptr);
    DB::CPeloraDatabase db;
    db.OpenDatabase(storeDir + L"database.db", 1);
    double seconds = 0;
    {
        CNotebook book(&db);
        book.LoadNotebook();
        int baseNotes = QueryInt(db.GetHandle(), "SELECT count(*) FROM notes");
        int baseAttaches = QueryInt(db.GetHandle(), "SELECT count(*) FROM attaches");
        double t0 = Seconds();
        BOOL ok;
        int skipped;
        CString error;
        if (json) {
            CJsonImport reader;
            ok = reader.ImportFile(nullptr, file);
            skipped = reader.m_skippedNotes;
            error = reader.m_errorText;
        } else {
            CEvernoteImport reader;
            ok = reader.ImportFile(nullptr, file);
            skipped = reader.m_skippedNotes;
            error = reader.m_errorText;
        }
        seconds = Seconds() - t0;
        if (report) {
            sqlite3* h = db.GetHandle();
            printf("  import: %s, %d skipped%s%ls\n", ok ? "ok" : "FAILED", skipped, error.IsEmpty() ? "" : ", ",
                   error.GetString());
            printf("  rows by SQL: notes %d, whole notes (with content) %d, attachments %d (%lld bytes in rows, "
                   "%d kept as files), tasks %d, tag links %d\n",
                   QueryInt(h, "SELECT count(*) FROM notes") - baseNotes,
                   QueryInt(h, "SELECT count(*) FROM notes n JOIN notes_content c ON c.idrec=n.content_id") - baseNotes,
                   QueryInt(h, "SELECT count(*) FROM attaches") - baseAttaches,
                   QueryInt64(h, "SELECT ifnull(sum(length(data)),0) FROM attaches WHERE flags & 1 = 0 AND note_id<>''"),
                   QueryInt(h, "SELECT count(*) FROM attaches WHERE flags & 1"),
                   QueryInt(h, "SELECT count(*) FROM tasks"), QueryInt(h, "SELECT count(*) FROM tag_links"));
            long long big = QueryInt64(h, "SELECT ifnull(max(size),0) FROM attaches WHERE flags & 1");
            if (big > 0)
                printf("  largest attachment: %lld bytes, file %s\n", big,
                       FileSize(db.GetAttachesPath()) >= 0 ? "present" : "missing");
            printf("  peak working set after the import: %.1f MB\n", PeakMb());
        }
    }
    db.CloseDatabase();
    return seconds;
}

double ParseEnexOnce(const CString& file)
{
    double t0 = Seconds();
    TiXmlDocument doc;
    FILE* f = _wfopen(file, L"rb");
    doc.LoadFile(f, TIXML_ENCODING_UTF8);
    fclose(f);
    int notes = 0;
    if (TiXmlElement* root = doc.RootElement())
        for (TiXmlElement* n = root->FirstChildElement("note"); n; n = n->NextSiblingElement("note"))
            ++notes;
    double s = Seconds() - t0;
    if (notes == 0)
        printf("  TinyXML found no notes (%s)\n", doc.ErrorDesc());
    return s;
}

double ParseJsonOnce(const CString& file)
{
    double t0 = Seconds();
    FILE* f = _wfopen(file, L"rb");
    std::string text;
    char buf[1 << 16];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        text.append(buf, n);
    fclose(f);
    Json::CharReaderBuilder b;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    Json::Value v;
    std::string errors;
    r->parse(text.data(), text.data() + text.size(), &v, &errors);
    return Seconds() - t0;
}

void Run(const char* name, const CString& dir, const CString& file, bool json)
{
    printf("%s: %ls (%.1f MB)\n", name, file.GetString(), FileSize(file) / 1048576.0);
    std::vector<double> imports, parses;
    // the import runs first, so the peak working set printed is the import's own
    for (int i = 0; i < Runs(); ++i)
        imports.push_back(ImportOnce(dir, file, json, i == 0));
    for (int i = 0; i < Runs(); ++i)
        parses.push_back(json ? ParseJsonOnce(file) : ParseEnexOnce(file));
    double im = Median(imports), pa = Median(parses);
    printf("  import %.3f s, %s parse alone %.3f s (medians of %d): ratio %.2f\n", im, json ? "JsonCpp" : "TinyXML", pa,
           Runs(), im / pa);
    printf("  peak working set of the process after the parses: %.1f MB\n", PeakMb());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> which;
    for (int i = 1; i < argc; ++i)
        which.push_back(argv[i]);
    if (which.empty())
        which = {"enex", "big", "json"};
    for (const std::string& w : which) {
        CString dir = TempDir(CString(w.c_str()));
        if (w == "enex") {
            MakeEnexPictures(dir + L"pictures.enex");
            Run("ENEX, 5,000 notes with a picture each", dir, dir + L"pictures.enex", false);
        } else if (w == "big") {
            MakeEnexBig(dir + L"big.enex");
            Run("ENEX, 10,000 notes, one with a 150 MB resource", dir, dir + L"big.enex", false);
        } else if (w == "json") {
            MakeJson(dir, dir + L"notes.json");
            Run("own JSON export, 10,000 notes", dir, dir + L"notes.json", true);
        }
        RemoveTree(dir);
    }
    return 0;
}
