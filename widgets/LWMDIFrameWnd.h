// LWMDIFrameWnd: the library's main-window class. An MDI frame with up to four windows docked
// around its MDI client, a splitter strip between each of them and the client that the user
// drags to resize the side, painted dock bars, and a list of tool bars whose images it collects.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWDock.h"
#include "CoolMenuManager.h"

class LWAPI LWMDIFrameWnd : public CMDIFrameWnd, public LWDockImpl<LWMDIFrameWnd> {
    DECLARE_DYNCREATE(LWMDIFrameWnd)
public:
    LWMDIFrameWnd();
    ~LWMDIFrameWnd() override;

    enum {
        kMaxImages = 64,          // command ids the frame's image list keeps
        kToolbarMenuFirst = 65000,
        kToolbarMenuLast = 65099,
    };

    // A new LWToolBar made by the next operation; null (and deleted) when it could not be made.
    virtual CToolBar* CreateToolbar(const wchar_t* title, UINT resourceId, CToolBar* rightOf, BOOL addImages,
                                    DWORD style);
    // Makes `bar` a tool bar of this frame; the frame owns it once this answers TRUE.
    virtual BOOL CreateToolbar(CToolBar* bar, const wchar_t* title, UINT resourceId, CToolBar* rightOf,
                               BOOL addImages, DWORD style);
    virtual CToolBar* GetToolbar(const wchar_t* title);
    virtual void InitToolbarMenu(CMenu* menu);
    virtual void DockControlBarLeftOf(CToolBar* left, CToolBar* bar);
    virtual int GetProfileIntW(const wchar_t* section, const wchar_t* entry, int defaultValue, int minValue,
                               int maxValue);
    virtual int LoadFromToolbar(UINT resourceId);
    virtual int LoadFromToolbar(CToolBar* bar);
    // After a splitter strip was dragged, with the new side sizes.
    virtual void OnSplitterResize(CRect sides);
    virtual void HideAttachedWindow();
    virtual void ShowAttachedWindow();

    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void RecalcLayout(BOOL notify = TRUE) override;
    int DockWindow(CWnd* wnd, LWDockTypes side, int size, int splitterFlag, int splitterThickness) override;
    int UndockWindow(CWnd* wnd) override;

    // The image of command `id` in the frame's image list, or -1.
    int GetImageIndex(UINT id) const;

    CCoolMenuManager m_menuManager;
    CPtrList m_listToolbars;       // in creation order; the index is the number in the tool-bar menu
    UINT m_nImageIds[kMaxImages];  // the command of each image of m_imageList
    CImageList m_imageList;
    CRect m_rcSavedSides;          // the side sizes while the docked windows are hidden
    int m_nSplitterHit;            // 0 none, 1 left, 2 right, 3 top, 4 bottom
    CRect m_rcDragLimits;          // distance the cursor keeps from each edge while dragging; <0: none
    CPoint m_ptDragStart;
    CSize m_szDragOffset;
    int m_bHidden;

protected:
    // Where each slot's window and its splitter strip go for MDI client rectangle `mdi`
    // (frame client coordinates) and side sizes m_rcSides; empty for a free slot.
    void CalcDockRects(const CRect& mdi, CRect windows[4], CRect strips[4]) const;
    bool GetMDIClientRect(CRect& mdi) const;
    CRect DockingArea(const CRect& mdi) const;
    int HitTestSplitter(CPoint client);
    void DrawRectDock(CSize offset);
    CRect DraggedStrip() const;

    afx_msg int OnCreate(LPCREATESTRUCT cs);
    afx_msg void OnDestroy();
    afx_msg void OnPaint();
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
    afx_msg void OnLButtonDown(UINT flags, CPoint point);
    afx_msg void OnLButtonUp(UINT flags, CPoint point);
    afx_msg void OnMouseMove(UINT flags, CPoint point);
    afx_msg void OnCaptureChanged(CWnd* wnd);
    afx_msg void OnSize(UINT type, int cx, int cy);
    afx_msg void OnMeasureItem(int id, LPMEASUREITEMSTRUCT mis);
    afx_msg void OnDrawItem(int id, LPDRAWITEMSTRUCT dis);
    afx_msg void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu);
    afx_msg void OnShowToolBar(UINT id);
    afx_msg void OnUpdateShowToolBar(CCmdUI* cmdUI);
    DECLARE_MESSAGE_MAP()

    // The hidden flag: restore the saved sizes into the dock around an operation; the end lays
    // the frame out again when the operation's `result` is 1, and answers it.
    void BeginHiddenChange();
    int EndHiddenChange(int result);
    // Docked windows hidden by the frame while HideAttachedWindow is in force.
    HWND m_hiddenByFrame[4] = {};
    bool m_bTracking = false;  // a strip is being dragged (its tracker is drawn)
};
