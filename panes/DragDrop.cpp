#include "DragDrop.h"
#include "TagList.h"
#include <cstring>
#include <string>

namespace PeloraDrag {

namespace {

CLIPFORMAT Register(const wchar_t* name)
{
    return (CLIPFORMAT)::RegisterClipboardFormatW(name);
}

std::string ToUtf8(const CString& text)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? (size_t)n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), &out[0], n, nullptr, nullptr);
    return out;
}

// Strict: bytes that are not UTF-8 fail instead of turning into replacement characters.
bool FromUtf8(const char* bytes, size_t length, CString& out)
{
    out.Empty();
    if (length == 0)
        return true;
    if (length > (size_t)INT_MAX)
        return false;
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)length, nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide((size_t)n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)length, &wide[0], n);
    out = CString(wide.c_str(), n);
    return true;
}

HGLOBAL Allocate(const std::string& bytes)
{
    // Room past the data, zero-filled, as readers of older builds expect.
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, bytes.size() + 8);
    if (!block)
        return nullptr;
    void* p = ::GlobalLock(block);
    if (!p) {
        ::GlobalFree(block);
        return nullptr;
    }
    memcpy(p, bytes.data(), bytes.size());
    ::GlobalUnlock(block);
    return block;
}

// The block's bytes, bounded by its size; false for none or too many.
template <class F>
bool WithBlock(HGLOBAL block, size_t maxBytes, F&& read)
{
    if (!block)
        return false;
    const size_t size = ::GlobalSize(block);
    if (size == 0 || size > maxBytes)
        return false;
    const char* p = (const char*)::GlobalLock(block);
    if (!p)
        return false;
    bool ok = read(p, size);
    ::GlobalUnlock(block);
    return ok;
}

}  // namespace

CLIPFORMAT NoteFormat()
{
    static const CLIPFORMAT f = Register(L"PeloraNote_Source_NoteItem");
    return f;
}

CLIPFORMAT FolderFormat()
{
    static const CLIPFORMAT f = Register(L"PeloraNote_Source_FolderItem");
    return f;
}

CLIPFORMAT TagFormat()
{
    static const CLIPFORMAT f = Register(L"PeloraNote_Source_TagItem");
    return f;
}

HGLOBAL BuildNotesPayload(const std::vector<CString>& ids)
{
    std::string bytes;
    for (const CString& id : ids) {
        if (id.IsEmpty())
            continue;  // an empty id would end the list early
        bytes += ToUtf8(id);
        bytes += '\0';
    }
    bytes += '\0';
    return Allocate(bytes);
}

HGLOBAL BuildTextPayload(const CString& text)
{
    std::string bytes = ToUtf8(text);
    bytes += '\0';
    return Allocate(bytes);
}

bool ReadNotesPayload(HGLOBAL block, std::vector<CString>& ids, size_t maxBytes)
{
    ids.clear();
    std::vector<CString> found;
    bool ok = WithBlock(block, maxBytes, [&](const char* p, size_t size) {
        size_t at = 0;
        for (;;) {
            const void* nul = memchr(p + at, 0, size - at);
            if (!nul)
                return false;  // not ended inside the block
            const size_t length = (size_t)((const char*)nul - (p + at));
            if (length == 0)
                return true;  // the empty string ends the list
            CString id;
            if (!FromUtf8(p + at, length, id) || found.size() >= MaxNotes)
                return false;
            found.push_back(id);
            at += length + 1;
            if (at >= size)
                return false;
        }
    });
    if (ok)
        ids.swap(found);
    return ok;
}

bool ReadTextPayload(HGLOBAL block, CString& text, size_t maxBytes)
{
    text.Empty();
    CString found;
    bool ok = WithBlock(block, maxBytes, [&](const char* p, size_t size) {
        const void* nul = memchr(p, 0, size);
        return nul && FromUtf8(p, (size_t)((const char*)nul - p), found) && !found.IsEmpty();
    });
    if (ok)
        text = found;
    return ok;
}

DROPEFFECT NotesDropEffect(const Pelora::CFolderItem* target, DWORD keyState)
{
    if (!target || target->GetFolderId() == L"conflict_folder")
        return DROPEFFECT_NONE;
    switch (target->GetType()) {
    case Pelora::FolderUser:
    case Pelora::FolderConflicts:
    case Pelora::FolderDefault: {
        const bool ctrlAlone = (keyState & MK_CONTROL) && !(keyState & MK_SHIFT) && !(keyState & MK_ALT);
        return ctrlAlone ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }
    case Pelora::FolderTrash:
        return DROPEFFECT_MOVE;
    case Pelora::FolderTag:
        return DROPEFFECT_LINK;
    default:
        return DROPEFFECT_NONE;
    }
}

BOOL DropNotes(Pelora::CNotebook& book, const std::vector<CString>& ids, Pelora::CFolderItem*& target,
               DROPEFFECT effect)
{
    BOOL result = FALSE;
    for (const CString& id : ids) {
        Pelora::CNoteItem* note = book.FindNoteById(id);
        if (!note || !target || effect == DROPEFFECT_NONE)
            continue;
        switch (target->GetType()) {
        case Pelora::FolderUser:
        case Pelora::FolderConflicts:
        case Pelora::FolderDefault:
            if (effect == DROPEFFECT_COPY)
                result = book.CopyNote(note, target, nullptr) != nullptr;
            else
                result = book.MoveNote(note, target) != 0;
            break;
        case Pelora::FolderTag: {
            std::vector<CString> names(1, target->GetName());
            result = book.SetNoteTags(&names, note, 0);
            break;
        }
        case Pelora::FolderTrash:
            result = book.MoveNoteToTrash(note) != 0;
            if (result)
                target = book.FindFolder(L"trash");
            break;
        default:
            result = FALSE;
            break;
        }
    }
    return result;
}

BOOL DropTagOnNote(Pelora::CNotebook& book, const CString& tagName, Pelora::CNoteItem* note)
{
    if (!note || tagName.IsEmpty() || !book.GetTagList()->FindByName(tagName))
        return FALSE;
    std::vector<CString> names(1, tagName);
    return book.SetNoteTags(&names, note, 1) ? TRUE : FALSE;
}

}  // namespace PeloraDrag

// ---------------------------------------------------------------- CItemDataSource

bool CItemDataSource::PrepareNotes(Pelora::CNoteItem** notes, int count)
{
    if (!notes || count <= 0)
        return false;
    std::vector<CString> ids;
    for (int i = 0; i < count; ++i)
        if (notes[i])
            ids.push_back(notes[i]->GetNoteId());
    HGLOBAL block = PeloraDrag::BuildNotesPayload(ids);
    if (!block)
        return false;
    CacheGlobalData(PeloraDrag::NoteFormat(), block);
    return true;
}

bool CItemDataSource::PrepareFolder(Pelora::CFolderItem* folder)
{
    HGLOBAL block = folder ? PeloraDrag::BuildTextPayload(folder->GetFolderId()) : nullptr;
    if (!block)
        return false;
    CacheGlobalData(PeloraDrag::FolderFormat(), block);
    return true;
}

bool CItemDataSource::PrepareTag(Pelora::CFolderItem* tag)
{
    HGLOBAL block = tag ? PeloraDrag::BuildTextPayload(tag->GetName()) : nullptr;
    if (!block)
        return false;
    CacheGlobalData(PeloraDrag::TagFormat(), block);
    return true;
}

DROPEFFECT CItemDataSource::StartDragNotes(Pelora::CNoteItem** notes, int count)
{
    return PrepareNotes(notes, count) ? DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK)
                                      : DROPEFFECT_NONE;
}

DROPEFFECT CItemDataSource::StartDragFolder(Pelora::CFolderItem* folder)
{
    return PrepareFolder(folder) ? DoDragDrop(DROPEFFECT_MOVE) : DROPEFFECT_NONE;
}

DROPEFFECT CItemDataSource::StartDragTag(Pelora::CFolderItem* tag)
{
    return PrepareTag(tag) ? DoDragDrop(DROPEFFECT_MOVE) : DROPEFFECT_NONE;
}

// ---------------------------------------------------------------- COleDropTargetNoteList

COleDropTargetNoteList::COleDropTargetNoteList(Pelora::CNotebook* book,
                                               std::function<Pelora::CNoteItem*(CPoint)> noteAt)
    : m_pNotebook(book), m_noteAt(std::move(noteAt))
{
}

DROPEFFECT COleDropTargetNoteList::OnDragEnter(CWnd*, COleDataObject* data, DWORD, CPoint)
{
    m_bTagOffered = FALSE;
    m_strTagName.Empty();
    m_pTargetNote = nullptr;
    m_effect = DROPEFFECT_NONE;
    if (data && data->IsDataAvailable(PeloraDrag::TagFormat())) {
        HGLOBAL block = data->GetGlobalData(PeloraDrag::TagFormat());
        // A payload that cannot be read is not a tag.
        m_bTagOffered = PeloraDrag::ReadTextPayload(block, m_strTagName);
        if (block)
            ::GlobalFree(block);
    }
    return DROPEFFECT_NONE;
}

DROPEFFECT COleDropTargetNoteList::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint point)
{
    m_effect = DROPEFFECT_NONE;
    m_pTargetNote = m_noteAt ? m_noteAt(point) : nullptr;
    if (m_pTargetNote && m_bTagOffered)
        m_effect = DROPEFFECT_MOVE;
    else
        m_pTargetNote = nullptr;
    return m_effect;
}

BOOL COleDropTargetNoteList::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint)
{
    if (!m_bTagOffered || !m_pTargetNote || !m_pNotebook)
        return FALSE;
    return PeloraDrag::DropTagOnNote(*m_pNotebook, m_strTagName, m_pTargetNote);
}

void COleDropTargetNoteList::OnDragLeave(CWnd*)
{
    m_bTagOffered = FALSE;
}
