// LWWndCalendar: a small self-drawn month calendar (title between two arrows, weekday row from
// Monday, six weeks of days). A click on a day selects it and sends MCN_SELCHANGE to the parent.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include <commctrl.h>

class LWAPI LWWndCalendar : public CWnd {
    DECLARE_DYNAMIC(LWWndCalendar)
public:
    struct Info {
        CRect rcHeader;
        CRect rcWeek;
        CRect rcDays;
        CRect rcAll;
        int cxCell;
        int cyCell;
    };
    enum { HitNone = 0, HitPrev = 1, HitNext = 2, HitTitle = 3, HitDays = 4 };

    LWWndCalendar();
    ~LWWndCalendar() override;

    HWND Create(UINT style, const RECT& rect, CWnd* parent, UINT id);
    // A valid date becomes the selected and the shown date; an impossible one is refused (traced).
    void SetCurSel(SYSTEMTIME* date);
    void GetCurSel(SYSTEMTIME* date) const;
    void GetCalendarRect(Info* info) const;
    UINT HitTest(POINT pt) const;

    static const wchar_t* GetMonthName(int month, LANGID lang);
    static const wchar_t* GetWeekName(int day, LANGID lang);
    static void AdjustSystemTime(SYSTEMTIME& date, int days);
    static void StringToSystemTime(CString text, SYSTEMTIME& date);
    // Days of `month` (1..12; 0 is the December before) in `year`; 0 for any other month.
    static int GetDaysInMonth(int year, int month);
    // Moves by whole calendar months, the day clamped to the new month's length; the weekday is
    // computed, never trusted.
    static void ShiftMonths(SYSTEMTIME& date, int months);
    // 0 Sunday .. 6 Saturday, as SYSTEMTIME counts (proleptic Gregorian).
    static int DayOfWeek(int year, int month, int day);

    // The number of the grid's first cell for the shown month (1 or less).
    int GetFirstCell() const;
    const SYSTEMTIME& GetShownDate() const { return m_stShown; }
    void Redraw();
    // Paints the calendar onto `dc` (the window paints through an off-screen image).
    virtual void OnDraw(CDC* dc);

    LANGID m_nLanguage;
    CPoint m_ptOrigin;
    CFont m_fontNormal;
    CFont m_fontBold;
    CImageList m_imgArrows;
    SYSTEMTIME m_stSelected;
    SYSTEMTIME m_stShown;
    int m_nFirstCell;
    UINT m_nID;

protected:
    void OnClick(CPoint point);
    // Paints the calendar onto `target` through an off-screen image; false when none could be made.
    bool DrawThroughImage(CDC* target);

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* dc);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonDblClk(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()
};
