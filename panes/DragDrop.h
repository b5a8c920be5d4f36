// Drag and drop of notes, folders and tags inside the program: the three private clipboard
// formats and their payloads, the data source that starts a drag, the effect a drop of notes
// has on a folder, the drops carried out through the notebook, and the note list's drop target
// (tags onto notes).
//
// Payloads are UTF-8. A note payload is the ids one after the other, each NUL-terminated, ended
// by an empty string; a folder payload is one id and a tag payload one name, NUL-terminated.
// Readers are bounded by the block's size and refuse a payload that is too big, is not ended
// where it should be or is not UTF-8.
#pragma once
#include "Framework.h"
#include "FrameworkCom.h"
#include "Notebook.h"
#include <functional>
#include <vector>

namespace PeloraDrag {

enum : size_t { MaxPayloadBytes = 16u << 20, MaxNotes = 200000 };

// The three formats, registered once per process.
CLIPFORMAT NoteFormat();
CLIPFORMAT FolderFormat();
CLIPFORMAT TagFormat();

// Blocks for CacheGlobalData (movable, shared, zero-filled); null when allocation fails.
HGLOBAL BuildNotesPayload(const std::vector<CString>& ids);
HGLOBAL BuildTextPayload(const CString& text);
bool ReadNotesPayload(HGLOBAL block, std::vector<CString>& ids, size_t maxBytes = MaxPayloadBytes);
bool ReadTextPayload(HGLOBAL block, CString& text, size_t maxBytes = MaxPayloadBytes);

// What dropping notes on `target` does under the keys of `keyState` (MK_CONTROL, MK_SHIFT,
// MK_ALT): user, shared and default folders move (copy with Ctrl alone), the trash moves,
// a tag links; anything else, and the conflict folder, refuses.
DROPEFFECT NotesDropEffect(const Pelora::CFolderItem* target, DWORD keyState);

// Carries out a drop of notes on a folder; `target` becomes the trash folder after notes went
// there. Missing notes are skipped. Returns the success of the last note handled.
BOOL DropNotes(Pelora::CNotebook& book, const std::vector<CString>& ids, Pelora::CFolderItem*& target,
               DROPEFFECT effect);
// Adds an existing tag to a note, with its modification time updated.
BOOL DropTagOnNote(Pelora::CNotebook& book, const CString& tagName, Pelora::CNoteItem* note);

}  // namespace PeloraDrag

class CItemDataSource : public COleDataSource {
public:
    // Caches the payload; false (nothing cached) for no items or a failed allocation.
    bool PrepareNotes(Pelora::CNoteItem** notes, int count);
    bool PrepareFolder(Pelora::CFolderItem* folder);
    bool PrepareTag(Pelora::CFolderItem* tag);
    // Prepare, then run the drag (notes: copy | move | link; folder and tag: move). 0 when
    // nothing was dragged.
    DROPEFFECT StartDragNotes(Pelora::CNoteItem** notes, int count);
    DROPEFFECT StartDragFolder(Pelora::CFolderItem* folder);
    DROPEFFECT StartDragTag(Pelora::CFolderItem* tag);
};

// The note list's target: a tag dropped on a note tags it. The list tells which note lies
// under a point (client coordinates).
class COleDropTargetNoteList : public COleDropTarget {
public:
    COleDropTargetNoteList(Pelora::CNotebook* book, std::function<Pelora::CNoteItem*(CPoint)> noteAt);

    DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
    DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
    BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point) override;
    void OnDragLeave(CWnd* wnd) override;

    Pelora::CNotebook* m_pNotebook;
    std::function<Pelora::CNoteItem*(CPoint)> m_noteAt;
    BOOL m_bTagOffered = FALSE;
    CString m_strTagName;
    Pelora::CNoteItem* m_pTargetNote = nullptr;
    DROPEFFECT m_effect = DROPEFFECT_NONE;
};
