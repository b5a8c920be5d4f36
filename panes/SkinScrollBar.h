// Scroll bars painted from a skin bitmap. AttachSkinnedScrollBars wraps a scrollable child
// window in a frame that holds two CSkinnedScrollBar: the window's own bars are pushed out of
// its client area and clipped away, its scroll state is mirrored into the skinned bars, and
// their clicks come back to it as ordinary WM_VSCROLL / WM_HSCROLL.
//
// Skin layout: 9 equal columns (the column width is the bar thickness and the arrow size) by
// 3 rows (normal, hot, pressed). Vertical parts use columns 0-3, horizontal 4-7: first arrow,
// second arrow, thumb, track; column 8 is the corner square.
#pragma once
#include "Framework.h"

class CSkinnedScrollBar : public CScrollBar {
public:
    enum Part { None = -1, FirstArrow = 0, SecondArrow = 1, PageBefore = 2, PageAfter = 3, Thumb = 5 };
    enum { TimerRepeat = 100, TimerDelay = 200, RepeatDelayMs = 500, RepeatEveryMs = 100 };

    struct Geometry {
        int length, arrow, track, thumb, offset;
    };

    CSkinnedScrollBar();
    // Sizes the bar's thickness to the skin (the bitmap stays the caller's).
    void SetSkin(HBITMAP skin);
    Geometry Measure() const;
    int HitTest(int along) const;
    bool IsVertical() const { return (GetStyle() & SBS_VERT) != 0; }
    int Thickness() const { return m_nThickness; }
    const SCROLLINFO& Info() const { return m_si; }
    // Copies min, max, page and pos when they differ from the bar's; answers whether they did.
    bool Mirror(const SCROLLINFO& si, BOOL redraw);
    void Paint(CDC* dc);

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    HBITMAP m_hSkin = nullptr;
    int m_nThickness = 0, m_nRowHeight = 0;
    SCROLLINFO m_si;
    BOOL m_bDragging = FALSE;
    CPoint m_ptPress;
    int m_nPosAtPress = 0;
    int m_nPressedPart = None;
    BOOL m_bAutoRepeat = FALSE;
    int m_nHotPart = None;
    BOOL m_bMouseLeft = FALSE;

protected:
    int Along(CPoint pt) const { return IsVertical() ? pt.y : pt.x; }
    int MaxPos() const;  // the highest position a page still fits at
    void Send(int code, int pos = 0);
    void StopRepeat();
    void OnTimerRepeat();
    CPoint m_ptLast;  // the last mouse point the bar saw (it holds the capture while pressed)
};

class CScrollBarFrame : public CWnd {
public:
    enum { IdHorz = 100, IdVert = 101, IdLimit = 200, TimerMirror = 100, MsgLayout = WM_USER + 100 };
    CScrollBarFrame();
    ~CScrollBarFrame() override;

    BOOL Attach(HWND target, HBITMAP skin);
    void Detach();  // the window goes back to its parent and place; the frame is destroyed
    void MirrorScrollInfo(BOOL redraw);
    void Layout();
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void PostNcDestroy() override;

    static CScrollBarFrame* FromTarget(HWND target);

    CSkinnedScrollBar m_sbHorz, m_sbVert;
    CWnd m_wndLimit;
    HWND m_hTarget = nullptr;
    HBITMAP m_hSkin = nullptr;
    WNDPROC m_pfnOldProc = nullptr;
    BOOL m_bUpdating = FALSE;
    int m_nShown = 0;  // 0 no vertical bar shown, 1 on the right, 2 on the left

    // Where the window was before it was wrapped.
    HWND m_hOldParent = nullptr;
    CRect m_rcOld;
    DWORD m_dwOldStyle = 0, m_dwOldExStyle = 0;

private:
    // Puts the window's own procedure back and forgets the window; answers it (null if none).
    HWND Unhook();
    static LRESULT CALLBACK WrapperProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// Wraps `target` (a child window) with skinned bars; the frame deletes itself when the window
// or the frame goes. Null when the window cannot be wrapped.
CScrollBarFrame* AttachSkinnedScrollBars(CWnd* target, HBITMAP skin);
void DetachSkinnedScrollBars(CWnd* target);
