// CCoolMenuManager: gives a frame's drop-down menus tool-bar images. It hooks the frame's
// window procedure, turns the items of a popup into owner-drawn ones just before it opens,
// draws them with the image of the tool-bar button of the same command (or a 3-D check mark)
// and the shortcut right-aligned, answers mnemonics, and turns them back when the menu closes.
#pragma once
#include "Framework.h"
#include "LWExport.h"
#include "LWSubclassWnd.h"

class LWAPI CCoolMenuManager : public LWSubclassWnd {
    DECLARE_DYNAMIC(CCoolMenuManager)
public:
    CCoolMenuManager();
    ~CCoolMenuManager() override;

    // Remembers the frame and hooks its window; null unhooks.
    void Install(CFrameWnd* frame);
    // The images of tool bar `id` (bitmap and RT_TOOLBAR resource of that id); 0 when either is
    // missing or its button size differs from the first tool bar's.
    BOOL LoadToolbar(UINT id);
    BOOL LoadToolbars(const UINT* ids, int count);
    // The images of one bitmap for `count` command ids, one image per id in order.
    BOOL AddSingleBitmap(UINT bitmapId, UINT count, UINT* commandIds);

    virtual void Destroy();
    virtual void Refresh();
    virtual void OnInitMenuPopup(CMenu* menu, UINT index, BOOL sysMenu);
    virtual BOOL OnMeasureItem(MEASUREITEMSTRUCT* mis);
    virtual BOOL OnDrawItem(DRAWITEMSTRUCT* dis);
    virtual LONG OnMenuChar(UINT ch, UINT flags, CMenu* menu);
    virtual void OnMenuSelect(UINT itemId, UINT flags, HMENU menu);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    static HBITMAP GetMFCDotBitmap();
    static void FixMFCDotBitmap();

    BOOL m_bAutoConvert;
    BOOL m_bAutoAccel;
    BOOL m_bUseDrawState;
    BOOL m_bDrawDisabledButtonsInColor;
    CFrameWnd* m_pFrame;
    CUIntArray m_arToolbarIds;
    CImageList m_ilButtons;
    CMapWordToPtr m_mapIdToImage;
    CMapWordToPtr m_mapIdToAccel;
    HACCEL m_hAccel;
    ACCEL* m_pAccel;
    CPtrList m_menusConverted;
    CSize m_szBitmap;
    CSize m_szButton;
    CFont m_fontMenu;

protected:
    int GetButtonIndex(WORD cmd);
    ACCEL* GetAccel(WORD cmd);
    void LoadAccel(HACCEL accel);
    void DestroyAccel();
    CFont* GetMenuFont();
    void ConvertMenu(CMenu* menu, UINT index, BOOL skipSystem, BOOL toOwnerDraw);
    void DrawMenuText(CDC& dc, CRect rect, CString text, COLORREF color);
    BOOL Draw3DCheckmark(CDC& dc, const CRect& box, BOOL selected, HBITMAP bitmap);
    int AppendAccelName(CString& text, UINT cmd);
    CString GetVirtualKeyName(CString key);
    // Whether `data` is one of this manager's item records (foreign item data is never read).
    bool IsOwnRecord(ULONG_PTR data) const;
    void AddImages(HBITMAP bitmap, const UINT* ids, int count);

    CMapPtrToPtr m_records;  // the item records this manager made
};
