#include "NoteRows.h"
#include "PanesIds.h"
#include "ReminderItem.h"
#include "StringTable.h"

namespace {
const COLORREF kSeparator = RGB(216, 231, 240);
const COLORREF kDate = RGB(91, 163, 214), kDateSelected = RGB(202, 233, 255);
const COLORREF kCount = RGB(128, 128, 128);
const COLORREF kPreview = RGB(119, 119, 119);
}

NoteRow NoteRow::From(Pelora::CNotebook* book, Pelora::CNoteItem* note, int sortId)
{
    NoteRow row;
    if (!note)
        return row;
    row.title = note->GetTitle();
    row.date = (sortId == 4 || sortId == 5) ? note->FormatDateCreate() : note->FormatDateUpdate();
    CString text = note->GetPreviewText();
    if (text.GetLength() > PreviewChars) {
        text = text.Left(PreviewChars);
        note->SetPreviewText(text);
    }
    text.Remove(L'\r');
    text.Replace(L'\n', L' ');
    row.previewText = text;
    row.preview = note->GetPreviewBitmap();
    row.attachCount = std::max(note->GetAttachCount(), note->GetRecord().num_attaches);
    row.shared = note->GetRecord().b_shared != 0;
    if (Pelora::CReminderItem* r = book ? book->GetReminder(note->GetNoteId(), 0) : nullptr) {
        const DB::CItemReminder& rec = r->GetRecord();
        row.reminder = rec.b_valid && !rec.completed;
        row.reminderText = !rec.geo_lat.IsEmpty() || !rec.geo_lng.IsEmpty()
                               ? GetLangString(IDS_NOTE_REMINDER_LOCATION, L"Reminder by location")
                               : r->FormatTime();
    }
    return row;
}

CNoteRowPainter::CNoteRowPainter()
{
    m_fontTitle.CreateFont(-14, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
    m_fontText.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
    m_fontEmpty.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
    CBitmap shared, attach, reminder;
    if (shared.LoadBitmap(IDB_NOTE_SHARED)) {
        m_imgShared.Create(26, 26, ILC_COLOR24 | ILC_MASK, 3, 0);
        m_imgShared.Add(&shared, RGB(255, 0, 0));
    }
    m_imgMarks.Create(13, 12, ILC_COLOR24 | ILC_MASK, 2, 0);
    if (attach.LoadBitmap(IDB_NOTE_ATTACH))
        m_imgMarks.Add(&attach, RGB(255, 0, 0));
    if (reminder.LoadBitmap(IDB_NOTE_REMINDER))
        m_imgMarks.Add(&reminder, RGB(255, 0, 0));
}

COLORREF CNoteRowPainter::Background(State s)
{
    return s == Focused ? RGB(241, 242, 245) : s == Selected ? RGB(101, 179, 239) : RGB(255, 255, 255);
}

COLORREF CNoteRowPainter::TextColour(State s)
{
    return s == Focused ? RGB(200, 0, 0) : s == Selected ? RGB(0, 0, 200) : RGB(0, 0, 0);
}

CString CNoteRowPainter::EmptyText(bool underTags)
{
    return underTags ? GetLangString(IDS_NOTE_LIST_EMPTY_TAG, L"No notes with this tag yet")
                     : GetLangString(IDS_NOTE_LIST_EMPTY, L"No notes added yet");
}

CString CNoteRowPainter::TooltipText(const NoteRow& row, int viewType, int xFromRowLeft)
{
    if (viewType != 1 || xFromRowLeft >= 30 || !row.reminder)
        return CString();
    return row.reminderText;
}

void CNoteRowPainter::Frame(CDC* dc, const CRect& rc, State state)
{
    dc->FillSolidRect(&rc, RGB(255, 255, 255));
    CRect inner(rc);
    inner.DeflateRect(1, 1);
    inner.bottom = std::max((int)inner.top, (int)rc.bottom - 1);
    dc->FillSolidRect(&inner, Background(state));
    dc->FillSolidRect(rc.left, rc.bottom - 1, rc.Width(), 1, kSeparator);
}

CString CNoteRowPainter::FitText(CDC* dc, const CString& text, const CRect& rc)
{
    if (rc.Width() <= 0 || rc.Height() <= 0)
        return text.IsEmpty() ? text : CString();
    // How many characters fit word-wrapped in the rectangle: the longest start whose wrapped
    // block stays inside it (measured, never drawn).
    auto fits = [&](int n) {
        CRect box(0, 0, rc.Width(), 0);
        dc->DrawText(text.Left(n), &box, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
        return box.Height() <= rc.Height() && box.Width() <= rc.Width();
    };
    if (fits(text.GetLength()))
        return text;
    int lo = 0, hi = text.GetLength() - 1;
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    // Four characters go to make room for the dots; never fewer than none.
    return text.Left(std::max(0, lo - 4)) + L" ...";
}

CString CNoteRowPainter::FitLine(CDC* dc, const CString& text, int width)
{
    if (dc->GetTextExtent(text).cx <= width)
        return text;
    int lo = 0, hi = text.GetLength() - 1;  // the longest prefix whose "..." form fits
    while (lo < hi) {
        int mid = (lo + hi + 1) / 2;
        if (dc->GetTextExtent(text.Left(mid) + L"...").cx <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.Left(lo) + L"...";
}

int CNoteRowPainter::DrawPreview(HBITMAP bitmap, CDC* dc, int left, int top, int right, int bottom, bool selected)
{
    BITMAP bm = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return 0;
    const COLORREF bg = Background(selected ? Selected : Plain);
    const int boxW = right - left, boxH = bottom - top;
    if (boxW <= 0 || boxH <= 0)
        return 0;
    dc->FillSolidRect(left, top, boxW, boxH, bg);
    int w, h, x, y;
    if ((long long)boxW * bm.bmHeight > (long long)bm.bmWidth * boxH) {
        // The box is relatively wider: fit the height, centre across.
        h = boxH;
        w = (int)((long long)bm.bmWidth * boxH / bm.bmHeight);
        x = left + (boxW - w) / 2;
        y = top;
    } else {
        w = boxW;
        h = std::max(1, (int)((long long)bm.bmHeight * boxW / bm.bmWidth));
        x = left;
        y = top + (boxH - h) / 2;
    }
    CDC mem;
    mem.CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem.GetSafeHdc(), bitmap);
    int oldMode = dc->SetStretchBltMode(HALFTONE);
    ::SetBrushOrgEx(dc->GetSafeHdc(), 0, 0, nullptr);
    dc->StretchBlt(x, y, w, h, &mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    dc->SetStretchBltMode(oldMode);
    ::SelectObject(mem.GetSafeHdc(), old);
    return 1;
}

int CNoteRowPainter::DrawReminder(const NoteRow& row, CDC* dc, int left, int top, int right, int bottom, bool selected,
                                  bool compact)
{
    if (!row.reminder)
        return 0;
    const int y = top + (bottom - top - 12) / 2;
    m_imgMarks.Draw(dc, 1, CPoint(left, y), ILD_TRANSPARENT);
    if (!compact && !row.reminderText.IsEmpty()) {
        CFont* old = dc->SelectObject(&m_fontText);
        dc->SetTextColor(selected ? RGB(255, 255, 255) : kPreview);
        CRect rc(left + 13 + 4, top, right, bottom);
        dc->DrawText(row.reminderText, &rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        dc->SelectObject(old);
    }
    return 1;
}

void CNoteRowPainter::DrawFull(CDC* dc, const CRect& rc, const NoteRow& row, State state)
{
    Frame(dc, rc, state);
    const bool selected = state == Selected;
    int oldMode = dc->SetBkMode(TRANSPARENT);
    int x = rc.left + 10;
    if (DrawPreview(row.preview, dc, rc.left + 10, rc.top + 3, rc.left + 90, rc.top + 93, selected))
        x = rc.left + 90 + 4;
    const int right = rc.right - (row.shared ? 50 : 10);

    CFont* oldFont = dc->SelectObject(&m_fontTitle);
    TEXTMETRICW tm;
    dc->GetTextMetrics(&tm);
    dc->SetTextColor(TextColour(state));
    CRect title(x, rc.top + 5, right, rc.top + 5 + tm.tmHeight);
    dc->DrawText(row.title, &title, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);

    dc->SelectObject(&m_fontText);
    dc->GetTextMetrics(&tm);
    const int lineH = tm.tmHeight;
    CRect date(x, title.bottom + 2, right, title.bottom + 2 + lineH);
    dc->SetTextColor(selected ? kDateSelected : kDate);
    dc->DrawText(row.date, &date, DT_SINGLELINE | DT_NOPREFIX);
    if (row.attachCount > 0) {
        int ax = x + dc->GetTextExtent(row.date).cx + 5;
        m_imgMarks.Draw(dc, 0, CPoint(ax, date.top + (lineH - 12) / 2), ILD_TRANSPARENT);
        CString count;
        count.Format(L"%d", row.attachCount);
        dc->SetTextColor(kCount);
        dc->TextOut(ax + 13 + 3, date.top, count);
    }

    const int reminderH = row.reminder ? 16 : 0;
    CRect text(x, date.bottom + 3, right, rc.bottom - 4 - reminderH);
    // A whole number of lines of the text font.
    const int wLine = std::max(1, (int)dc->GetTextExtent(CString(L"W")).cy);
    text.bottom = text.top + std::max(0, (int)text.Height()) / wLine * wLine;
    if (text.Height() > 0 && text.Width() > 0) {
        dc->SetTextColor(selected ? RGB(255, 255, 255) : kPreview);
        CString fitted = FitText(dc, row.previewText, text);
        dc->DrawText(fitted, &text, DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL);
    }
    if (row.reminder)
        DrawReminder(row, dc, x, rc.bottom - 4 - reminderH, right, rc.bottom - 4, selected, false);
    if (row.shared && m_imgShared.GetSafeHandle())
        m_imgShared.Draw(dc, state == Focused ? 1 : state == Selected ? 2 : 0,
                         CPoint(rc.right - 24 - 13, rc.bottom - 24 - 13), ILD_TRANSPARENT);
    dc->SelectObject(oldFont);
    dc->SetBkMode(oldMode);
}

void CNoteRowPainter::DrawCompact(CDC* dc, const CRect& rc, const NoteRow& row, State state)
{
    Frame(dc, rc, state);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    int x = rc.left + 7;
    if (DrawReminder(row, dc, x, rc.top, rc.right, rc.bottom, state == Selected, true))
        x += 17;
    CFont* oldFont = dc->SelectObject(&m_fontText);
    dc->SetTextColor(RGB(0, 0, 0));
    CRect title(x, rc.top, rc.right - 4, rc.bottom);
    dc->DrawText(FitLine(dc, row.title, std::max(0, (int)title.Width())), &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    dc->SelectObject(oldFont);
    dc->SetBkMode(oldMode);
}

void CNoteRowPainter::DrawEmpty(CDC* dc, const CRect& rc, bool listEmpty, bool underTags)
{
    dc->FillSolidRect(&rc, RGB(255, 255, 255));
    if (!listEmpty)
        return;
    CFont* old = dc->SelectObject(&m_fontEmpty);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(RGB(128, 128, 128));
    CRect box(rc);
    dc->DrawText(EmptyText(underTags), &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    dc->SetBkMode(oldMode);
    dc->SelectObject(old);
}

BOOL CNoteRowPainter::DrawItem(const DRAWITEMSTRUCT* dis, const NoteRow* row, int viewType, bool listEmpty,
                               bool underTags)
{
    if (!dis || !dis->hDC)
        return FALSE;
    const CRect rc(dis->rcItem);
    if (rc.Width() <= 0 || rc.Height() <= 0)
        return FALSE;
    CDC* target = CDC::FromHandle(dis->hDC);
    // The buffer follows the widest and tallest row asked for, so a wide window never shows
    // what lies past a fixed-size bitmap.
    if (!m_memDC.GetSafeHdc())
        m_memDC.CreateCompatibleDC(target);
    if (rc.Width() > m_sizeBuffer.cx || rc.Height() > m_sizeBuffer.cy) {
        CSize size(std::max((int)m_sizeBuffer.cx, (int)rc.Width()), std::max((int)m_sizeBuffer.cy, (int)rc.Height()));
        CBitmap grown;
        if (!grown.CreateCompatibleBitmap(target, size.cx, size.cy))
            return FALSE;
        m_memDC.SelectObject(&grown);
        m_memBitmap.DeleteObject();
        m_memBitmap.Attach(grown.Detach());
        m_sizeBuffer = size;
    }
    const CRect local(0, 0, rc.Width(), rc.Height());
    if ((int)dis->itemID == EmptyRow) {
        DrawEmpty(&m_memDC, local, listEmpty, underTags);
    } else if (row) {
        const State state = (dis->itemState & ODS_SELECTED) ? Selected : (dis->itemState & ODS_FOCUS) ? Focused : Plain;
        if (viewType == 1)
            DrawCompact(&m_memDC, local, *row, state);
        else
            DrawFull(&m_memDC, local, *row, state);
    } else {
        return FALSE;
    }
    return target->BitBlt(rc.left, rc.top, rc.Width(), rc.Height(), &m_memDC, 0, 0, SRCCOPY);
}
