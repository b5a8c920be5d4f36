#include "NoteItem.h"
#include "Notebook.h"
#include "ActivityLog.h"
#include "ByteBuffer.h"
#include "ObjectId.h"
#include "StringTable.h"
#include "HtmlTokenizer.h"
#include "HtmlText.h"
#include "MemoryStream.h"
#include "AtlImage.h"
#include <algorithm>
#include <ctime>
#include <string>

namespace Pelora {

CNoteItem::CNoteItem()
{
    m_note.note_title = GetLangString(1630, L"New Note");
    m_note.editable = 1;
}

CNoteItem::~CNoteItem()
{
    if (m_preview)
        DeleteObject(m_preview);
}

void CNoteItem::SetTitle(const wchar_t* text)
{
    m_note.note_title = text ? text : L"";
    m_titleWidth = -1;
    m_displayTitle.Empty();
}

CFolderItem* CNoteItem::GetFolder() const
{
    CNotebook* book = GetNotebook();
    return book && m_note.folder_id ? book->FindFolderByItemId(m_note.folder_id, nullptr, -1) : nullptr;
}

void CNoteItem::SetDateCreate(int t)
{
    CNotebook* book = GetNotebook();
    m_note.date_create = t == -1 ? (book ? book->Now() : (int)time(nullptr)) : t;
}

void CNoteItem::SetDateUpdate(int t)
{
    CNotebook* book = GetNotebook();
    int v = t == -1 ? (book ? book->Now() : (int)time(nullptr)) : t;
    m_note.date_update_user = v;
    m_note.date_update = v;
}

CString CNoteItem::GetTagAt(int i) const
{
    return i >= 0 && i < (int)m_tags.size() ? m_tags[i] : CString();
}

bool CNoteItem::HasTag(const wchar_t* name) const
{
    if (!name)
        return false;
    for (const CString& t : m_tags)
        if (t == name)
            return true;
    return false;
}

DB::CItemTask* CNoteItem::GetTask(int i) const
{
    if (i < 0 || i >= m_tasks.GetCount())
        return nullptr;
    return static_cast<DB::CItemTask*>(m_tasks.GetAt(m_tasks.FindIndex(i)));
}

DB::CItemTask* CNoteItem::AddTask(const wchar_t* text, int checked)
{
    DB::CItemTask* task = new DB::CItemTask;
    PeloraGenerateKeyString(task->task_id);
    task->note_id = m_note.note_id;
    task->task_info = text ? text : L"";
    task->b_checked = checked ? 1 : 0;
    CNotebook* book = GetNotebook();
    task->date_create = task->date_update = book ? book->Now() : (int)time(nullptr);
    task->pending_insert = 1;
    m_tasks.AddTail(task);
    return task;
}

void CNoteItem::SaveTasks()
{
    DB::CPeloraDatabase* db = GetDatabase();
    int unchecked = 0;
    POSITION pos = m_tasks.GetHeadPosition();
    while (pos) {
        POSITION cur = pos;
        DB::CItemTask* task = static_cast<DB::CItemTask*>(m_tasks.GetNext(pos));
        if (task->pending_remove) {
            if (db && !task->pending_insert)
                db->RemoveTask(task);
            m_tasks.RemoveAt(cur);
            delete task;
            continue;
        }
        if (task->pending_insert) {
            if (db)
                db->CreateTask(task);
        } else if (task->pending_update) {
            if (db)
                db->UpdateTask(task);
        }
        task->pending_insert = task->pending_update = 0;
        if (!task->b_checked)
            ++unchecked;
    }
    if (m_note.num_tasks != unchecked) {
        m_note.num_tasks = unchecked;
        m_modified = 1;
    }
}

DB::CItemAttach* CNoteItem::GetAttach(int i) const
{
    if (i < 0 || i >= m_attaches.GetCount())
        return nullptr;
    return static_cast<DB::CItemAttach*>(m_attaches.GetAt(m_attaches.FindIndex(i)));
}

DB::CItemAttach* CNoteItem::FindAttach(const wchar_t* attachId) const
{
    if (!attachId)
        return nullptr;
    POSITION pos = m_attaches.GetHeadPosition();
    while (pos) {
        DB::CItemAttach* a = m_attaches.GetNextAttach(pos);
        if (a->attach_id == attachId)
            return a;
    }
    return nullptr;
}

bool CNoteItem::RemoveAttach(const wchar_t* attachId)
{
    if (!attachId)
        return false;
    bool removed = false;
    POSITION pos = m_attaches.GetHeadPosition();
    while (pos) {
        POSITION cur = pos;
        DB::CItemAttach* a = m_attaches.GetNextAttach(pos);
        if (a->attach_id == attachId) {
            m_attaches.RemoveAt(cur);
            delete a;
            removed = true;
        }
    }
    return removed;
}

void CNoteItem::LoadAttaches(const wchar_t* noteId, const wchar_t* attachId)
{
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return;
    DB::CItemAttach filter;
    filter.note_id = noteId ? noteId : L"";
    filter.attach_id = attachId ? attachId : L"";
    db->GetAttachList(&filter, &m_attaches, 0);
}

void CNoteItem::FreeData()
{
    m_attaches.RemoveAll();
    m_note.DeletePreviewImage();
    m_note.DeleteContent();
}

void CNoteItem::SetContentText(const wchar_t* text)
{
    int chars = text ? (int)wcslen(text) : 0;
    m_note.RelocateContentBuffer(chars * 2, 1);
    if (chars)
        memcpy(m_note.content_data, text, (size_t)chars * 2);
    m_note.content_size = chars * 2;
}

void CNoteItem::SetContentBuffer(CByteBuffer& buffer)
{
    int size = buffer.size;
    m_note.RelocateContentBuffer(size, 1);
    if (size > 0 && buffer.data)
        memcpy(m_note.content_data, buffer.data, (size_t)size);
    m_note.content_size = size;
    delete[] buffer.Detach();
}

namespace {

CString ReplaceQuotes(CString text)
{
    text.Replace(L"&laquo;", L"\u00AB");
    text.Replace(L"&raquo;", L"\u00BB");
    return text;
}

} // namespace

void CNoteItem::SetPreviewText(const wchar_t* text)
{
    CString t = text ? text : L"";
    t.Trim();
    m_note.preview_text = ReplaceQuotes(t);
}

CString CNoteItem::GetPreviewText() const
{
    return ReplaceQuotes(m_note.preview_text);
}

void CNoteItem::LoadPreviewImage()
{
    if (m_preview) {
        DeleteObject(m_preview);
        m_preview = nullptr;
    }
    DB::CPeloraDatabase* db = GetDatabase();
    if (db)
        db->NoteLoadPreview(&m_note);
    if (m_note.preview_size > 0 && m_note.width > 0 && m_note.height > 0 && m_note.preview_image &&
        m_note.preview_size >= m_note.width * m_note.height * 4) {
        HDC screen = GetDC(nullptr);
        m_preview = CreateCompatibleBitmap(screen, m_note.width, m_note.height);
        if (m_preview) {
            BITMAPINFO bi = {};
            bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
            bi.bmiHeader.biWidth = m_note.width;
            bi.bmiHeader.biHeight = -m_note.height;
            bi.bmiHeader.biPlanes = 1;
            bi.bmiHeader.biBitCount = 32;
            bi.bmiHeader.biCompression = BI_RGB;
            SetDIBits(screen, m_preview, 0, m_note.height, m_note.preview_image, &bi, DIB_RGB_COLORS);
        }
        ReleaseDC(nullptr, screen);
    }
    m_note.DeletePreviewImage();
    m_previewTextFlag = 0;
}

int CNoteItem::PreviewImageInit()
{
    if (m_preview) {
        DeleteObject(m_preview);
        m_preview = nullptr;
    }
    int result = 0;
    DB::CPeloraDatabase* db = GetDatabase();
    if (db) {
        DB::CItemAttach filter;
        filter.note_id = m_note.note_id;
        filter.type = 0;
        filter.b_removed = 0;
        filter.filter_mask = DB::FilterType | DB::FilterRemoved;
        CAttachList list;
        db->GetAttachList(&filter, &list, 0);
        POSITION pos = list.GetHeadPosition();
        while (pos && !result) {
            DB::CItemAttach* a = list.GetNextAttach(pos);
            if (db->LoadAttachContent(a))
                result = CreatePreviewFromAttach(a);
        }
    }
    m_previewImageFlag = 0;
    return result;
}

int CNoteItem::CreatePreviewFromAttach(DB::CItemAttach* attach)
{
    if (!MakePreviewBitmap(attach))
        return 0;
    CNotebook* book = GetNotebook();
    if (book && book->Panes())
        book->Panes()->RedrawNoteList();
    if (m_preview)
        PreviewImageWrite();
    return 1;
}

int CNoteItem::MakePreviewBitmap(DB::CItemAttach* attach)
{
    if (!attach || !attach->data || attach->size <= 0 || attach->mime.Left(6).CompareNoCase(L"image/") != 0)
        return 0;
    CMemoryStream* stream = new CMemoryStream(attach->data, (ULONG)attach->size);
    CImage image;
    HRESULT hr = image.Load(stream);
    stream->Release();
    if (FAILED(hr) || image.IsNull() || image.GetWidth() < 51 || image.GetHeight() < 51)
        return 0;
    int w = image.GetWidth(), h = image.GetHeight();
    while (w > 150 && h > 150) {
        w /= 2;
        h /= 2;
    }
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    // the picture sits one pixel in, with a thin border just outside it
    RECT dest = {1, 1, w - 1, h - 1};
    image.Draw(dc, dest);
    FrameRect(dc, &all, (HBRUSH)GetStockObject(LTGRAY_BRUSH));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    if (m_preview)
        DeleteObject(m_preview);
    m_preview = bmp;
    m_note.width = w;
    m_note.height = h;
    return 1;
}

bool CNoteItem::PreviewImageWrite()
{
    if (m_preview) {
        BITMAP bm = {};
        GetObject(m_preview, sizeof(bm), &bm);
        int size = bm.bmWidth * bm.bmHeight * 4;
        BYTE* bits = m_note.RelocatePreviewImage(size);
        m_note.preview_size = size;
        m_note.width = bm.bmWidth;
        m_note.height = bm.bmHeight;
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, m_preview, 0, bm.bmHeight, bits, &bi, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    } else {
        m_note.DeletePreviewImage();
    }
    DB::CPeloraDatabase* db = GetDatabase();
    return !db || db->NoteUpdatePreview(&m_note);
}

void CNoteItem::Load(int tagsOnly)
{
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return;
    m_tags.clear();
    db->GetNoteTags(&m_note, m_tags);
    if (tagsOnly)
        return;
    m_tasks.RemoveAll();
    DB::CItemTask filter;
    filter.note_id = m_note.note_id;
    if (!filter.note_id.IsEmpty())
        db->GetTaskList(&filter, &m_tasks);
    db->NoteLoadContent(&m_note);
    m_attaches.RemoveAll();
    if (!m_note.note_id.IsEmpty())
        LoadAttaches(m_note.note_id, nullptr);
}

bool CNoteItem::SaveNote()
{
    DB::CPeloraDatabase* db = GetDatabase();
    int syncDirty = m_note.b_syncdirty, previewId = m_note.preview_id, contentId = m_note.content_id;
    m_note.b_syncdirty = 1;
    bool ok;
    {
        // preview, content, row and the purge of attachments are kept together or not at all
        DB::CStoreTransaction txn(db);
        ok = !db || txn.Started();
        ok = ok && PreviewImageWrite();
        if (ok && db && m_note.content_data)
            ok = db->NoteUpdateContent(&m_note) != 0;
        ok = ok && (!db || db->UpdateNote(&m_note, 1));
        ok = ok && PurgeUnusedAttaches();
        ok = ok && (!db || txn.Commit());
    }
    if (!ok) {
        // the keys of rows the failed transaction had made are gone with it
        m_note.b_syncdirty = syncDirty;
        m_note.preview_id = previewId;
        m_note.content_id = contentId;
        if (m_attachesChanged) {
            m_attaches.RemoveAll();
            LoadAttaches(m_note.note_id, nullptr);
        }
        return false;  // still modified: the editor may save again
    }
    POSITION pos = m_attaches.GetHeadPosition();
    while (pos)
        m_attaches.GetNextAttach(pos)->RelocateBuffer(0);
    m_modified = 0;
    return true;
}

bool CNoteItem::PurgeUnusedAttaches()
{
    if (!m_attachesChanged)
        return true;
    DB::CPeloraDatabase* db = GetDatabase();
    if (!db)
        return true;
    m_attaches.RemoveAll();
    LoadAttaches(m_note.note_id, nullptr);
    POSITION pos = m_attaches.GetHeadPosition();
    while (pos) {
        DB::CItemAttach* a = m_attaches.GetNextAttach(pos);
        if (a->type != 0)
            continue;
        if (std::find(m_referenced.begin(), m_referenced.end(), a->attach_id) != m_referenced.end())
            continue;
        if (a->IsAttachOnServer()) {
            a->b_removed = 1;
            if (!db->UpdateAttach(a))
                return false;
        } else if (!db->RemoveAttach(a->itemid)) {
            return false;
        }
    }
    return true;
}

// --- stored form <-> editor form

namespace {

bool StartsNoCase(const wchar_t* text, int pos, int end, const wchar_t* word)
{
    int n = (int)wcslen(word);
    if (pos < 0 || end - pos < n)
        return false;
    return _wcsnicmp(text + pos, word, n) == 0;
}

int FindNoCaseFrom(const wchar_t* text, int pos, int end, const wchar_t* word)
{
    for (int i = pos; i < end; ++i)
        if (StartsNoCase(text, i, end, word))
            return i;
    return -1;
}

// The style value whose token sits at pos: from after its opening quote up to the closing one,
// or, unquoted, from its first character up to a blank or the ">" of the tag. Never further,
// so the rewrite cannot reach the note's text.
void StyleValueRange(const wchar_t* text, int pos, int end, wchar_t quote, int& first, int& last)
{
    first = quote ? pos + 1 : pos;
    last = first;
    while (last < end && (quote ? text[last] != quote : !HtmlIsBlank(text[last]) && text[last] != L'>'))
        ++last;
}

// A property starts at the value's start or after ";" or a blank.
bool AtPropertyStart(const wchar_t* text, int j, int first)
{
    return j == first || text[j - 1] == L';' || HtmlIsBlank(text[j - 1]);
}

// Layout properties the editor must not apply: in the editor's form they carry "sav_".
const wchar_t* const kSavedInAll[] = {L"max-width:"};
const wchar_t* const kSavedInImg[] = {L"position:", L"Left:"};
const wchar_t* const kSavedInOther[] = {L"position:", L"display:", L"float:", L"width:", L"height:"};
const wchar_t kSavMark[] = L"sav_";

template <size_t N>
bool StartsWithAny(const wchar_t* text, int pos, int end, const wchar_t* const (&names)[N])
{
    for (const wchar_t* name : names)
        if (StartsNoCase(text, pos, end, name))
            return true;
    return false;
}

// Any name the editor's form may carry the mark on, whatever the element.
bool IsSavedName(const wchar_t* text, int pos, int end)
{
    return StartsWithAny(text, pos, end, kSavedInAll) || StartsWithAny(text, pos, end, kSavedInImg) ||
           StartsWithAny(text, pos, end, kSavedInOther);
}

// Where the marks at pos end: the count of "sav_" repeated there goes to marks.
int SkipMarks(const wchar_t* text, int pos, int end, int& marks)
{
    marks = 0;
    while (StartsNoCase(text, pos, end, kSavMark)) {
        pos += 4;
        ++marks;
    }
    return pos;
}

wchar_t* Finish(const std::wstring& text, int& bytes)
{
    wchar_t* out = new wchar_t[text.size() + 1];
    if (!text.empty())
        memcpy(out, text.data(), text.size() * sizeof(wchar_t));
    out[text.size()] = 0;
    bytes = (int)text.size() * 2;
    return out;
}

// Characters of a wide text of `bytes` bytes, without trailing terminators.
int TextLength(const wchar_t* text, int bytes)
{
    int n = text && bytes > 0 ? bytes / 2 : 0;
    while (n > 0 && text[n - 1] == 0)
        --n;
    return n;
}

const wchar_t kBoxChecked[] = L"<SPAN contentEditable=false><INPUT type=checkbox checked /></SPAN>";
const wchar_t kBoxUnchecked[] = L"<SPAN contentEditable=false><INPUT type=checkbox /></SPAN>";

} // namespace

int CNoteItem::NoteToHtml(const wchar_t* content, int size, const CString& prefix, wchar_t*& out)
{
    int end = TextLength(content, size);
    std::wstring result;
    result.reserve(end + 256);
    int copied = 0;
    auto flush = [&](int upTo) {
        if (upTo > copied)
            result.append(content + copied, upTo - copied);
        if (upTo > copied)
            copied = upTo;
    };
    CHtmlTokenizer tok;
    tok.Reset();
    bool img = false, src = false, style = false, attach = false;
    int pos = 0;
    while (pos < end) {
        int kind = tok.NextToken(content, end, pos);
        if (kind == CHtmlTokenizer::TokenEnd)
            break;
        switch (kind) {
        case CHtmlTokenizer::TokenTagOpen:
            if (StartsNoCase(content, pos, end, L"<!checkbox ")) {
                flush(pos);
                bool checked = StartsNoCase(content, pos, end, L"<!checkbox checked />");
                result += checked ? kBoxChecked : kBoxUnchecked;
                pos = std::min(end, pos + (checked ? 21 : 13));
                copied = pos;
                tok.Reset();
                continue;
            }
            break;
        case CHtmlTokenizer::TokenTagName:
            img = StartsNoCase(content, pos, end, L"IMG");
            src = style = attach = false;
            break;
        case CHtmlTokenizer::TokenAttribute:
            src = StartsNoCase(content, pos, end, L"src=");
            style = StartsNoCase(content, pos, end, L"style=");
            attach = false;
            break;
        case CHtmlTokenizer::TokenValue:
            if (img && src && content[pos] == L'"' && StartsNoCase(content, pos + 1, end, L"#attacheloc:")) {
                flush(pos + 1);
                result += prefix.GetString();
                copied = pos + 13;
                attach = true;
            } else if (style) {
                int first, last;
                StyleValueRange(content, pos, end, tok.GetQuote(), first, last);
                for (int j = first; j < last; ++j) {
                    if (!AtPropertyStart(content, j, first))
                        continue;
                    int marks;
                    int name = SkipMarks(content, j, last, marks);
                    bool hit = StartsWithAny(content, name, last, kSavedInAll) ||
                               (img ? StartsWithAny(content, name, last, kSavedInImg)
                                    : StartsWithAny(content, name, last, kSavedInOther));
                    // text that already reads as marked gets one mark more, which the way
                    // back takes off again: the stored text returns unchanged
                    if (hit || (marks > 0 && IsSavedName(content, name, last))) {
                        flush(j);
                        result += kSavMark;
                    }
                }
            }
            break;
        case CHtmlTokenizer::TokenValueEnd:
            if (attach) {
                int e = pos;
                while (e > copied && content[e - 1] == L'#')
                    --e;
                flush(e);
                copied = pos;
                attach = false;
            }
            break;
        default:
            break;
        }
        ++pos;
    }
    flush(end);
    int bytes = 0;
    out = Finish(result, bytes);
    return bytes;
}

int CNoteItem::HtmlToNote(const wchar_t* html, int length, const CString& prefix, std::vector<CString>* referenced,
                          wchar_t*& out)
{
    int end = html && length > 0 ? length : 0;
    while (end > 0 && html[end - 1] == 0)
        --end;
    if (referenced)
        referenced->clear();
    std::wstring result;
    result.reserve(end + 64);
    int copied = 0;
    auto flush = [&](int upTo) {
        if (upTo > copied) {
            result.append(html + copied, upTo - copied);
            copied = upTo;
        }
    };
    CHtmlTokenizer tok;
    tok.Reset();
    bool img = false, src = false, style = false;
    int pos = 0;
    while (pos < end) {
        int kind = tok.NextToken(html, end, pos);
        if (kind == CHtmlTokenizer::TokenEnd)
            break;
        switch (kind) {
        case CHtmlTokenizer::TokenTagOpen:
            if (StartsNoCase(html, pos, end, L"<SPAN contentEditable=false><INPUT ")) {
                int close = FindNoCaseFrom(html, pos + 35, end, L"</SPAN>");
                if (close < 0)
                    break;  // not the editor's form: left as it is
                bool checked = FindNoCaseFrom(html, pos + 35, close, L"checked") >= 0;
                flush(pos);
                result += checked ? L"<!checkbox checked />" : L"<!checkbox />";
                pos = close + 7;
                copied = pos;
                tok.Reset();
                continue;
            }
            break;
        case CHtmlTokenizer::TokenTagName:
            img = StartsNoCase(html, pos, end, L"IMG");
            src = style = false;
            break;
        case CHtmlTokenizer::TokenAttribute:
            src = StartsNoCase(html, pos, end, L"src=");
            style = StartsNoCase(html, pos, end, L"style=");
            break;
        case CHtmlTokenizer::TokenValue:
            if (img && src && html[pos] == L'"' && !prefix.IsEmpty() &&
                StartsNoCase(html, pos + 1, end, prefix.GetString())) {
                int idStart = pos + 1 + prefix.GetLength();
                int idEnd = idStart;
                while (idEnd < end && html[idEnd] != L'"')
                    ++idEnd;
                flush(pos);
                result += L"\"#attacheloc:";
                result.append(html + idStart, idEnd - idStart);
                result += L"#";
                copied = idEnd;
                if (referenced)
                    referenced->push_back(CString(html + idStart, idEnd - idStart));
            } else if (style) {
                // only a mark this conversion's other direction wrote: "sav_" (perhaps more
                // than once) before one of the layout names, at the start of a property
                int first, last;
                StyleValueRange(html, pos, end, tok.GetQuote(), first, last);
                for (int j = first; j < last; ++j) {
                    int marks;
                    int name = SkipMarks(html, j, last, marks);
                    if (marks > 0 && AtPropertyStart(html, j, first) && IsSavedName(html, name, last)) {
                        flush(j);
                        copied = j + 4;
                    }
                }
            }
            break;
        default:
            break;
        }
        ++pos;
    }
    flush(end);
    int bytes = 0;
    out = Finish(result, bytes);
    return bytes;
}

int CNoteItem::ConvertHtmlToNote(const wchar_t* html, int length, wchar_t*& out)
{
    CNotebook* book = GetNotebook();
    CString prefix = book && book->App() ? book->App()->GetAttachUrlPrefix() : CString();
    return HtmlToNote(html, length, prefix, &m_referenced, out);
}

int CNoteItem::ConvertNoteToHtml(const wchar_t* content, int size, wchar_t*& out) const
{
    CNotebook* book = GetNotebook();
    CString prefix = book && book->App() ? book->App()->GetAttachUrlPrefix() : CString();
    return NoteToHtml(content, size, prefix, out);
}

// --- dates and display

CString CNoteItem::FormatDate(int t, int dayFirst)
{
    time_t tt = (time_t)t;
    struct tm local = {};
    CString text;
    if (localtime_s(&local, &tt) != 0)
        return text;
    if (dayFirst)
        text.Format(L"%02d/%02d/%04d %02d:%02d:%02d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                    local.tm_hour, local.tm_min, local.tm_sec);
    else
        text.Format(L"%02d/%02d/%04d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                    local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

CString CNoteItem::FormatDateCreate() const
{
    return FormatDate(m_note.date_create, CStringTable::Instance()->GetLanguage() == LANG_ID_RUSSIAN);
}

CString CNoteItem::FormatDateUpdate() const
{
    CNotebook* book = GetNotebook();
    int format = book && book->App() ? book->App()->GetDateFormat() : 0;
    int dayFirst = format == 1 ? 1 : format == 2 ? 0 : CStringTable::Instance()->GetLanguage() == LANG_ID_RUSSIAN;
    return FormatDate(m_note.date_update_user, dayFirst);
}

namespace {

void SplitDateTime(const CString& both, CString& date, CString& time)
{
    int space = both.Find(L' ');
    date = space < 0 ? both : both.Left(space);
    time = space < 0 ? CString() : both.Mid(space + 1);
}

} // namespace

void CNoteItem::FormatDateCreate(CString& date, CString& time) const
{
    SplitDateTime(FormatDateCreate(), date, time);
}

void CNoteItem::FormatDateUpdate(CString& date, CString& time) const
{
    SplitDateTime(FormatDateUpdate(), date, time);
}

CString CNoteItem::GetDisplayTitle(HDC dc, int maxWidth, SIZE* size)
{
    CString title = m_note.note_title;
    SIZE ext = {0, 0};
    if (dc)
        GetTextExtentPoint32W(dc, title, title.GetLength(), &ext);
    for (int n = title.GetLength(); dc && ext.cx >= maxWidth && n > 0; --n) {
        CString cut = m_note.note_title.Left(n - 1) + L"...";
        GetTextExtentPoint32W(dc, cut, cut.GetLength(), &ext);
        title = cut;
    }
    m_titleWidth = maxWidth;
    m_displayTitle = title;
    m_titleSize = ext;
    if (size)
        *size = ext;
    return title;
}

} // namespace Pelora
