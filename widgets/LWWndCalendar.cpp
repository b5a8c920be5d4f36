#include "LWWndCalendar.h"
#include "LWSkinPaint.h"
#include <algorithm>
#include <oleauto.h>

IMPLEMENT_DYNAMIC(LWWndCalendar, CWnd)

BEGIN_MESSAGE_MAP(LWWndCalendar, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

namespace {
const int kCellW = 24;
const int kCellH = 20;
const int kArrowW = 16;

const wchar_t* const kMonthsEn[12] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                      L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const kMonthsRu[12] = {L"Январь", L"Февраль", L"Март",     L"Апрель",  L"Май",    L"Июнь",
                                      L"Июль",   L"Август",  L"Сентябрь", L"Октябрь", L"Ноябрь", L"Декабрь"};
const wchar_t* const kWeekEn[7] = {L"M", L"T", L"W", L"T", L"F", L"S", L"S"};
const wchar_t* const kWeekRu[7] = {L"Пн", L"Вт", L"Ср", L"Чт", L"Пт", L"Сб", L"Вс"};

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool IsValidDate(const SYSTEMTIME& d)
{
    return d.wYear >= 1601 && d.wYear <= 9999 && d.wMonth >= 1 && d.wMonth <= 12 && d.wDay >= 1 &&
           d.wDay <= LWWndCalendar::GetDaysInMonth(d.wYear, d.wMonth);
}

void CreateCalendarFont(CFont& font, int weight)
{
    font.CreateFont(-12, 0, 0, 0, weight, FALSE, FALSE, FALSE, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}
} // namespace

LWWndCalendar::LWWndCalendar() : m_nLanguage(0), m_ptOrigin(0, 0), m_nFirstCell(1), m_nID(0)
{
    CreateCalendarFont(m_fontNormal, FW_NORMAL);
    CreateCalendarFont(m_fontBold, FW_BOLD);
    ::GetLocalTime(&m_stSelected);
    m_stShown = m_stSelected;
    m_nFirstCell = GetFirstCell();
}

LWWndCalendar::~LWWndCalendar() = default;

HWND LWWndCalendar::Create(UINT style, const RECT& rect, CWnd* parent, UINT id)
{
    m_nID = id;
    if (!CWnd::Create(AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW)), L"", style, rect, parent,
                      id)) {
        TRACE(L"LWWndCalendar::Create: the window could not be made\n");
        return nullptr;
    }
    return m_hWnd;
}

int LWWndCalendar::GetDaysInMonth(int year, int month)
{
    static const int days[13] = {31, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 0 || month > 12)
        return 0;
    if (month == 2 && IsLeap(year))
        return 29;
    return days[month];
}

int LWWndCalendar::DayOfWeek(int year, int month, int day)
{
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        --year;
    return (year + year / 4 - year / 100 + year / 400 + offsets[(month - 1) % 12] + day) % 7;
}

void LWWndCalendar::ShiftMonths(SYSTEMTIME& date, int months)
{
    int index = date.wYear * 12 + (date.wMonth - 1) + months;
    date.wYear = (WORD)(index / 12);
    date.wMonth = (WORD)(index % 12 + 1);
    date.wDay = (WORD)std::min<int>(std::max<int>(date.wDay, 1), GetDaysInMonth(date.wYear, date.wMonth));
    date.wDayOfWeek = (WORD)DayOfWeek(date.wYear, date.wMonth, date.wDay);
}

void LWWndCalendar::AdjustSystemTime(SYSTEMTIME& date, int days)
{
    double when = 0;
    if (!::SystemTimeToVariantTime(&date, &when)) {
        TRACE(L"LWWndCalendar::AdjustSystemTime: not a date\n");
        return;
    }
    SYSTEMTIME moved = {};
    if (!::VariantTimeToSystemTime(when + days, &moved)) {
        TRACE(L"LWWndCalendar::AdjustSystemTime: out of range\n");
        return;
    }
    moved.wMilliseconds = date.wMilliseconds;
    date = moved;
}

void LWWndCalendar::StringToSystemTime(CString, SYSTEMTIME&)
{
}

const wchar_t* LWWndCalendar::GetMonthName(int month, LANGID lang)
{
    if (month < 0 || month > 11)
        month = 0;
    return lang == LANG_RUSSIAN ? kMonthsRu[month] : kMonthsEn[month];
}

const wchar_t* LWWndCalendar::GetWeekName(int day, LANGID lang)
{
    if (day < 0 || day > 6)
        day = 0;
    return lang == LANG_RUSSIAN ? kWeekRu[day] : kWeekEn[day];
}

int LWWndCalendar::GetFirstCell() const
{
    // Monday = 1 .. Sunday = 7 for the first of the shown month; the grid starts on a Monday and
    // shows a whole week of the month before when the month starts on one.
    const int sunday0 = DayOfWeek(m_stShown.wYear, m_stShown.wMonth, 1);
    const int weekday = sunday0 == 0 ? 7 : sunday0;
    return weekday == 1 ? -6 : 2 - weekday;
}

void LWWndCalendar::SetCurSel(SYSTEMTIME* date)
{
    if (!date)
        return;
    if (!IsValidDate(*date)) {
        TRACE(L"LWWndCalendar::SetCurSel: no such date %d-%d-%d\n", date->wYear, date->wMonth, date->wDay);
        return;
    }
    m_stSelected = *date;
    m_stSelected.wDayOfWeek = (WORD)DayOfWeek(date->wYear, date->wMonth, date->wDay);
    m_stShown = m_stSelected;
    m_nFirstCell = GetFirstCell();
    if (::IsWindow(m_hWnd))
        Invalidate();
}

void LWWndCalendar::GetCurSel(SYSTEMTIME* date) const
{
    if (date)
        *date = m_stSelected;
}

void LWWndCalendar::GetCalendarRect(Info* info) const
{
    if (!info)
        return;
    const int x0 = m_ptOrigin.x, y0 = m_ptOrigin.y;
    info->cxCell = kCellW;
    info->cyCell = kCellH;
    info->rcHeader.SetRect(x0, y0, x0 + 7 * kCellW, y0 + 18);
    info->rcWeek.SetRect(x0, info->rcHeader.bottom, x0 + 7 * kCellW, info->rcHeader.bottom + 22);
    info->rcDays.SetRect(x0, info->rcWeek.bottom + 2, x0 + 7 * kCellW, info->rcWeek.bottom + 120);
    info->rcAll.SetRect(x0, y0, info->rcDays.right, info->rcDays.bottom + 1);
}

UINT LWWndCalendar::HitTest(POINT pt) const
{
    Info info;
    GetCalendarRect(&info);
    if (info.rcHeader.PtInRect(pt)) {
        if (pt.x < info.rcHeader.left + kArrowW)
            return HitPrev;
        if (pt.x > info.rcHeader.right - kArrowW)
            return HitNext;
        return HitTitle;
    }
    if (info.rcDays.PtInRect(pt))
        return HitDays;
    return HitNone;
}

void LWWndCalendar::OnDraw(CDC* dc)
{
    Info info;
    GetCalendarRect(&info);
    dc->SetBkMode(TRANSPARENT);
    if (m_imgArrows.GetSafeHandle()) {
        m_imgArrows.Draw(dc, 0, info.rcHeader.TopLeft(), ILD_TRANSPARENT);
        m_imgArrows.Draw(dc, 1, CPoint(info.rcHeader.right - kArrowW, info.rcHeader.top), ILD_TRANSPARENT);
    }
    CFont* oldFont = dc->SelectObject(&m_fontBold);
    dc->SetTextColor(RGB(0, 0, 0));
    CString title;
    title.Format(L"%s %d", GetMonthName(m_stShown.wMonth - 1, m_nLanguage), (int)m_stShown.wYear);
    CRect header = info.rcHeader;
    dc->DrawText(title, &header, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    dc->SelectObject(&m_fontNormal);
    for (int i = 0; i < 7; ++i) {
        CRect cell(info.rcWeek.left + i * kCellW, info.rcWeek.top, info.rcWeek.left + (i + 1) * kCellW - 6,
                   info.rcWeek.bottom);
        dc->DrawText(GetWeekName(i, m_nLanguage), -1, &cell, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    }
    for (int x = info.rcWeek.left; x < info.rcWeek.right; x += 2)
        dc->SetPixel(x, info.rcWeek.bottom - 1, RGB(224, 224, 224));

    const int length = GetDaysInMonth(m_stShown.wYear, m_stShown.wMonth);
    const int before = GetDaysInMonth(m_stShown.wMonth == 1 ? m_stShown.wYear - 1 : m_stShown.wYear,
                                      m_stShown.wMonth - 1);
    const bool selectedShown = m_stSelected.wYear == m_stShown.wYear && m_stSelected.wMonth == m_stShown.wMonth;
    int number = m_nFirstCell;
    for (int row = 0; row < 6; ++row) {
        for (int col = 0; col < 7; ++col, ++number) {
            CRect cell(info.rcDays.left + col * kCellW, info.rcDays.top + row * kCellH,
                       info.rcDays.left + (col + 1) * kCellW, info.rcDays.top + (row + 1) * kCellH);
            if (selectedShown && number == m_stSelected.wDay)
                dc->FillSolidRect(&cell, RGB(225, 243, 253));
            if (number == m_stShown.wDay)
                dc->DrawFocusRect(&cell);
            int shown = number;
            if (number < 1 || number > length) {
                shown = number < 1 ? number + before : number - length;
                dc->SetTextColor(RGB(192, 192, 192));
            } else {
                dc->SetTextColor(RGB(0, 0, 0));
            }
            CString text;
            text.Format(L"%d", shown);
            CRect textRect(cell.left, cell.top, cell.right - 6, cell.bottom);
            dc->DrawText(text, &textRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
    }
    dc->SelectObject(oldFont);
}

void LWWndCalendar::OnPaint()
{
    CPaintDC paint(this);
    if (!DrawThroughImage(&paint))
        TRACE(L"LWWndCalendar::OnPaint: no off-screen image\n");
}

BOOL LWWndCalendar::OnEraseBkgnd(CDC*)
{
    return TRUE;
}

void LWWndCalendar::Redraw()
{
    if (!::IsWindow(m_hWnd))
        return;
    CClientDC client(this);
    DrawThroughImage(&client);
}

bool LWWndCalendar::DrawThroughImage(CDC* target)
{
    CRect rc;
    GetClientRect(&rc);
    LWOffScreen image(target, rc.Width(), rc.Height());
    if (!image.ok())
        return false;
    image.dc()->FillSolidRect(&rc, ::GetSysColor(COLOR_WINDOW));
    OnDraw(image.dc());
    target->BitBlt(0, 0, rc.Width(), rc.Height(), image.dc(), 0, 0, SRCCOPY);
    return true;
}

void LWWndCalendar::OnClick(CPoint point)
{
    switch (HitTest(point)) {
    case HitPrev:
        ShiftMonths(m_stShown, -1);
        break;
    case HitNext:
        ShiftMonths(m_stShown, 1);
        break;
    case HitDays: {
        Info info;
        GetCalendarRect(&info);
        const int col = std::min(6, (int)(point.x - info.rcDays.left) / kCellW);
        const int row = std::min(5, (int)(point.y - info.rcDays.top) / kCellH);
        AdjustSystemTime(m_stShown, m_nFirstCell + col + 7 * row - m_stShown.wDay);
        m_stSelected = m_stShown;
        NMSELCHANGE change = {};
        change.nmhdr.hwndFrom = m_hWnd;
        change.nmhdr.idFrom = m_nID;
        change.nmhdr.code = MCN_SELCHANGE;
        change.stSelStart = m_stSelected;
        change.stSelEnd = m_stSelected;
        if (CWnd* parent = GetParent())
            parent->SendMessage(WM_NOTIFY, m_nID, (LPARAM)&change);
        break;
    }
    default:
        break;
    }
    m_nFirstCell = GetFirstCell();
    Redraw();
}

void LWWndCalendar::OnLButtonDown(UINT, CPoint point)
{
    Default();
    OnClick(point);
}

void LWWndCalendar::OnLButtonDblClk(UINT, CPoint point)
{
    Default();
    OnClick(point);
}
