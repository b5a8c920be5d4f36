// Cuts an ENEX export into its note elements while reading it in blocks: the file is never held
// whole. The Base64 text of every <data> element is decoded on the way (into memory, or into a
// file past a threshold) and left out of the note's XML, so what TinyXML sees of a note is its
// text and markup only, and memory follows the largest note, not the file.
#pragma once
#include "Framework.h"
#include <cstdint>
#include <string>
#include <vector>

class CMD5;

namespace PeloraUI {
namespace Import {

// The bytes of one <data> element.
struct CEnexData {
    std::string bytes;      // the decoded bytes while they stay below the spill threshold
    CString file;           // else the file that holds them
    int64_t size = 0;
    CString md5;            // 32 lower-case hex digits of the decoded bytes
    bool bad = false;       // characters that are not Base64, or markup inside the element
};

struct CEnexNote {
    std::string xml;                // "<note>...</note>", every <data> element emptied
    std::vector<CEnexData> data;    // one entry per <data> start tag, in document order
    int64_t offset = 0;             // byte offset of the note element in the file
    void Clear();
};

class CEnexScanner {
public:
    enum Result { NoteReady = 1, EndOfFile = 0, NoteUnusable = -1, ReadFailed = -2 };

    CEnexScanner();
    ~CEnexScanner();
    CEnexScanner(const CEnexScanner&) = delete;
    CEnexScanner& operator=(const CEnexScanner&) = delete;

    // spoolDir: where data larger than the spill threshold goes (ending in a separator); empty
    // for a scan that only counts notes and decodes nothing.
    bool Open(const wchar_t* path, const CString& spoolDir, CString& error);
    // The next note element. NoteUnusable (with the reason) for a note that is larger than the
    // text limit or that the file ends inside; the scan goes on after it.
    Result Next(CEnexNote& note, CString& reason);
    void Close();

    // Limits; seams for the tests.
    static int64_t s_maxNoteText;      // bytes of a note's XML without its data
    static int64_t s_spillBytes;       // decoded data kept in memory up to this size
    static size_t s_blockBytes;        // bytes read from the file at a time

private:
    enum State { Text, Markup, Tag, Comment, CData, Pi, Decl, Data };

    bool Fill();
    void Emit(const char* bytes, size_t n);
    void EmitByte(char c) { Emit(&c, 1); }
    void TagDone();
    void StartData();
    void FeedData(const char* bytes, size_t n);
    void DecodeStaged(bool last);
    void EndData();
    void PutDecoded(const char* bytes, int n);

    HANDLE m_file = INVALID_HANDLE_VALUE;
    CString m_spoolDir;
    bool m_countOnly = false;
    std::vector<char> m_block;
    size_t m_pos = 0;
    size_t m_end = 0;
    int64_t m_blockOffset = 0;
    bool m_eof = false;

    State m_state = Text;
    std::string m_markup;       // the markup being read (tags are copied whole into the note)
    char m_quote = 0;
    int m_bracket = 0;
    char m_tail[2] = {0, 0};    // the two bytes before the current one inside comments and CDATA
    int m_depth = 0;            // note elements open
    bool m_tooLarge = false;
    bool m_expectDataEnd = false;
    CEnexNote* m_note = nullptr;
    bool m_ready = false;
    int64_t m_markupOffset = 0;

    // the data element being decoded
    CEnexData* m_data = nullptr;
    std::string m_staged;
    bool m_padding = false;
    CMD5* m_md5 = nullptr;
    HANDLE m_spill = INVALID_HANDLE_VALUE;
};

} // namespace Import
} // namespace PeloraUI
