// The note list's rows, drawn by the list pane when the list asks (WM_DRAWITEM): a full row of
// 97 pixels (preview image, title, date, attachments, preview text, reminder, shared mark), a
// compact one-line row of 29 pixels, and the text of an empty list. The painter works on a
// NoteRow, the row's data taken from a note, so the drawing does not reach into the model.
#pragma once
#include "Framework.h"
#include "Notebook.h"

struct NoteRow {
    CString title;
    CString date;         // created or updated, by the list's sort
    CString previewText;  // at most 200 characters, one paragraph
    CString reminderText; // the reminder's time, or the location text
    HBITMAP preview = nullptr;  // the note's preview picture (not owned)
    int attachCount = 0;
    bool shared = false;
    bool reminder = false;  // an active reminder

    enum { PreviewChars = 200 };
    // The row of a note. The preview text is shortened in the note itself (as the list keeps
    // it); the created date shows for sort ids 4 and 5, the updated date otherwise.
    static NoteRow From(Pelora::CNotebook* book, Pelora::CNoteItem* note, int sortId);
};

class CNoteRowPainter {
public:
    enum { FullHeight = 97, CompactHeight = 29, EmptyRow = -2 };
    enum State { Plain, Selected, Focused };

    CNoteRowPainter();

    // The draw-item entry: row EmptyRow paints the empty list; otherwise view type 1 the
    // compact row and any other the full row. Drawn through a memory bitmap the size of the
    // row (grown as rows grow), then copied. False when there was nothing to draw with.
    BOOL DrawItem(const DRAWITEMSTRUCT* dis, const NoteRow* row, int viewType, bool listEmpty, bool underTags);

    void DrawFull(CDC* dc, const CRect& rc, const NoteRow& row, State state);
    void DrawCompact(CDC* dc, const CRect& rc, const NoteRow& row, State state);
    void DrawEmpty(CDC* dc, const CRect& rc, bool listEmpty, bool underTags);
    // The preview scaled into the box with its aspect kept, centred; 0 without a picture.
    int DrawPreview(HBITMAP bitmap, CDC* dc, int left, int top, int right, int bottom, bool selected);
    // The reminder mark and (unless compact) its text; 0 without an active reminder.
    int DrawReminder(const NoteRow& row, CDC* dc, int left, int top, int right, int bottom, bool selected, bool compact);
    // The text cut to what fits word-wrapped in the rectangle, ending with " ..." when cut
    // (four characters before the last that fits; an empty start when fewer fit).
    static CString FitText(CDC* dc, const CString& text, const CRect& rc);
    // A single line cut one character at a time (found by halving) with "..." until it fits.
    static CString FitLine(CDC* dc, const CString& text, int width);
    static CString EmptyText(bool underTags);
    // The list's tip for the compact row, when the pointer is near its reminder mark.
    static CString TooltipText(const NoteRow& row, int viewType, int xFromRowLeft);

    static COLORREF Background(State s);
    static COLORREF TextColour(State s);

    CFont m_fontTitle, m_fontText, m_fontEmpty;
    CImageList m_imgShared;  // 26 x 26: plain, focused, selected
    CImageList m_imgMarks;   // 13 x 12: attachment, reminder
    CSize m_sizeBuffer;

private:
    CDC m_memDC;
    CBitmap m_memBitmap;
    void Frame(CDC* dc, const CRect& rc, State state);
};
