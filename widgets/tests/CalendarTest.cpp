#include "LWWndCalendar.h"
#include "WidgetTestUtil.h"

namespace {

SYSTEMTIME Date(int y, int m, int d, int weekday = 0)
{
    SYSTEMTIME t = {};
    t.wYear = (WORD)y;
    t.wMonth = (WORD)m;
    t.wDay = (WORD)d;
    t.wDayOfWeek = (WORD)weekday;
    t.wHour = 9;
    return t;
}

// The grid starts 42 pixels down: an 18-pixel title, a 22-pixel weekday row and a 2-pixel gap.
const int kGridTop = 42;

struct CalendarHost {
    wtest::Host host;
    LWWndCalendar cal;
    explicit CalendarHost(SYSTEMTIME start)
    {
        cal.Create(WS_CHILD | WS_VISIBLE, CRect(10, 10, 190, 180), &host, 77);
        cal.SetCurSel(&start);
        wtest::Pump();
        host.Take();
    }
    void Click(int x, int y) { cal.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void ClickCell(int col, int row) { Click(col * 24 + 5, kGridTop + row * 20 + 5); }
};

TEST(Calendar, DaysInMonthTable)
{
    const struct {
        int year, month, days;
    } table[] = {
        {2024, 2, 29}, {2023, 2, 28}, {2000, 2, 29}, {2100, 2, 28}, {1900, 2, 28}, {2400, 2, 29},
        {2024, 1, 31}, {2024, 4, 30}, {2024, 6, 30}, {2024, 7, 31}, {2024, 9, 30}, {2024, 11, 30},
        {2024, 12, 31}, {2024, 0, 31}, {2024, 13, 0}, {2024, -1, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.year << "-" << row.month);
        EXPECT_EQ(row.days, LWWndCalendar::GetDaysInMonth(row.year, row.month));
    }
}

TEST(Calendar, FirstCellStartsTheGridOnMonday)
{
    const struct {
        int year, month, day, first;
    } table[] = {
        {2024, 3, 15, -3},  // 1 March 2024 is a Friday
        {2024, 4, 30, -6},  // a Monday: a whole week of March comes first
        {2024, 9, 1, -5},   // a Sunday
        {2024, 10, 1, 0},   // a Tuesday
        {2024, 5, 20, -1},  // a Wednesday
        {2000, 2, 29, 0},   // a Tuesday in a leap February
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.year << "-" << row.month << "-" << row.day);
        LWWndCalendar cal;
        SYSTEMTIME d = Date(row.year, row.month, row.day, 6);  // a wrong weekday is not trusted
        cal.SetCurSel(&d);
        EXPECT_EQ(row.first, cal.GetFirstCell());
        SYSTEMTIME got;
        cal.GetCurSel(&got);
        EXPECT_EQ(LWWndCalendar::DayOfWeek(row.year, row.month, row.day), got.wDayOfWeek);
    }
    EXPECT_EQ(5, LWWndCalendar::DayOfWeek(2024, 3, 1));  // Friday
    EXPECT_EQ(6, LWWndCalendar::DayOfWeek(2000, 1, 1));  // Saturday
}

TEST(Calendar, MonthArrowsMoveByCalendarMonths)
{
    const struct {
        SYSTEMTIME from;
        bool next;
        int year, month, day;
    } table[] = {
        {Date(2024, 3, 31), false, 2024, 2, 29},  // into a leap February
        {Date(2023, 3, 31), false, 2023, 2, 28},
        {Date(2024, 1, 31), true, 2024, 2, 29},
        {Date(2100, 1, 31), true, 2100, 2, 28},
        {Date(2024, 5, 31), false, 2024, 4, 30},  // into a 30-day month
        {Date(2024, 8, 31), true, 2024, 9, 30},
        {Date(2024, 7, 31), true, 2024, 8, 31},   // 31 to 31
        {Date(2024, 1, 15), false, 2023, 12, 15}, // across the year
        {Date(2024, 12, 31), true, 2025, 1, 31},
        {Date(2024, 2, 29), true, 2024, 3, 29},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.from.wYear << "-" << row.from.wMonth << "-" << row.from.wDay
                                        << (row.next ? " next" : " previous"));
        CalendarHost h(row.from);
        h.Click(row.next ? 165 : 3, 8);
        const SYSTEMTIME& shown = h.cal.GetShownDate();
        EXPECT_EQ(row.year, shown.wYear);
        EXPECT_EQ(row.month, shown.wMonth);
        EXPECT_EQ(row.day, shown.wDay);
        EXPECT_EQ(LWWndCalendar::DayOfWeek(row.year, row.month, row.day), shown.wDayOfWeek);
        // The selection stays; an arrow tells the parent nothing.
        SYSTEMTIME sel;
        h.cal.GetCurSel(&sel);
        EXPECT_EQ(row.from.wMonth, sel.wMonth);
        EXPECT_EQ(row.from.wDay, sel.wDay);
        EXPECT_TRUE(h.host.Take().empty());
    }
}

TEST(Calendar, HitTestZones)
{
    LWWndCalendar cal;
    const struct {
        int x, y;
        UINT hit;
    } table[] = {
        {0, 0, 1}, {15, 17, 1}, {16, 5, 3}, {152, 5, 3}, {153, 5, 2}, {167, 5, 2}, {168, 5, 0},
        {50, 20, 0}, {50, 41, 0}, {0, 42, 4}, {167, 159, 4}, {167, 160, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.x << "," << row.y);
        EXPECT_EQ(row.hit, cal.HitTest(CPoint(row.x, row.y)));
    }
    cal.m_ptOrigin = CPoint(10, 20);
    EXPECT_EQ(0u, cal.HitTest(CPoint(5, 25)));
    EXPECT_EQ(1u, cal.HitTest(CPoint(12, 25)));
}

TEST(Calendar, ClickingADaySelectsItAndTellsTheParent)
{
    const struct {
        int col, row;
        int year, month, day;
    } table[] = {
        {0, 0, 2024, 2, 26},  // grey: the month before
        {4, 0, 2024, 3, 1},
        {6, 4, 2024, 3, 31},
        {0, 5, 2024, 4, 1},   // grey: the month after, which is then shown
        {6, 5, 2024, 4, 7},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << "cell " << row.col << "," << row.row);
        CalendarHost h(Date(2024, 3, 15));
        h.ClickCell(row.col, row.row);
        SYSTEMTIME sel;
        h.cal.GetCurSel(&sel);
        EXPECT_EQ(row.year, sel.wYear);
        EXPECT_EQ(row.month, sel.wMonth);
        EXPECT_EQ(row.day, sel.wDay);
        EXPECT_EQ(row.month, h.cal.GetShownDate().wMonth);
        auto seen = h.host.Take();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ((UINT)MCN_SELCHANGE, seen[0].code);
        EXPECT_EQ(77u, seen[0].id);
        EXPECT_EQ(77u, (UINT)seen[0].wParam);
        EXPECT_EQ(h.cal.m_hWnd, seen[0].from);
    }
}

TEST(Calendar, NamesAndBadDates)
{
    EXPECT_STREQ(L"Январь", LWWndCalendar::GetMonthName(12, 25));
    EXPECT_STREQ(L"December", LWWndCalendar::GetMonthName(11, 9));
    EXPECT_STREQ(L"January", LWWndCalendar::GetMonthName(-1, 0));
    EXPECT_STREQ(L"Вс", LWWndCalendar::GetWeekName(6, 25));
    EXPECT_STREQ(L"M", LWWndCalendar::GetWeekName(7, 9));

    LWWndCalendar cal;
    SYSTEMTIME good = Date(2024, 3, 15);
    cal.SetCurSel(&good);
    wtest::TraceCatcher trace;
    for (SYSTEMTIME bad : {Date(2023, 2, 29), Date(2024, 13, 1), Date(2024, 4, 31), Date(2024, 1, 0)}) {
        cal.SetCurSel(&bad);
        SYSTEMTIME got;
        cal.GetCurSel(&got);
        EXPECT_EQ(15, got.wDay);
        EXPECT_EQ(3, got.wMonth);
    }
    EXPECT_TRUE(trace.Saw(L"LWWndCalendar::SetCurSel"));
    cal.SetCurSel(nullptr);
    cal.GetCurSel(nullptr);

    SYSTEMTIME t = Date(2024, 2, 28);
    LWWndCalendar::AdjustSystemTime(t, 2);
    EXPECT_EQ(3, t.wMonth);
    EXPECT_EQ(1, t.wDay);
    EXPECT_EQ(9, t.wHour);
    LWWndCalendar::AdjustSystemTime(t, -366);
    EXPECT_EQ(2023, t.wYear);
    EXPECT_EQ(3, t.wMonth);
    EXPECT_EQ(1, t.wDay);
}

TEST(Calendar, PaintsTheSelectedDayAndKeepsGdiBalanced)
{
    CalendarHost h(Date(2024, 3, 15));
    const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 20; ++i) {
        h.cal.Invalidate();
        h.cal.UpdateWindow();
        h.cal.Redraw();
        wtest::Canvas canvas(180, 170, RGB(255, 255, 255));
        h.cal.OnDraw(&canvas.dc);
    }
    EXPECT_EQ(before, ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));
    // 15 March 2024 is the Friday of the third row: its cell is filled, a neighbour is not.
    wtest::Canvas canvas(180, 170, RGB(255, 255, 255));
    h.cal.OnDraw(&canvas.dc);
    EXPECT_EQ(RGB(225, 243, 253), canvas.At(4 * 24 + 2, kGridTop + 2 * 20 + 10));
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(3 * 24 + 2, kGridTop + 2 * 20 + 10));
}

} // namespace
