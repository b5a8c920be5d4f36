// The gallery's second page ("LumawinGallery lists"): the list, tree and tab controls in their
// states, drawn the way the program's panes draw them.
#include "HTMLListCtrl.h"
#include "LWListCtrl.h"
#include "LWTabCtrl.h"
#include "LWTreeCtrl.h"
#include "../../resources/resource.h"
#include <memory>
#include <vector>

namespace {

const wchar_t* kTitles[] = {L"Shopping list", L"Meeting notes 12 March", L"Recipes: lentil soup", L"Trip to the coast",
                            L"Books to read", L"Ideas for the garden", L"Passwords (not really)", L"Quarterly report",
                            L"Birthday presents", L"Phone numbers"};

// Parent of the controls: draws the list's rows as the note list does.
class ListsPanel : public CWnd {
public:
    CFont font;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (message == WM_DRAWITEM && wParam == 100) {
            const DRAWITEMSTRUCT* dis = (const DRAWITEMSTRUCT*)lParam;
            CDC* dc = CDC::FromHandle(dis->hDC);
            CRect r(dis->rcItem);
            const int item = (int)dis->itemID;
            if (item < 0) {
                dc->FillSolidRect(&r, RGB(255, 255, 255));
            } else {
                COLORREF back = RGB(255, 255, 255);
                if (dis->itemState & ODS_SELECTED)
                    back = RGB(0xC9, 0xDC, 0xF7);
                else if (dis->itemState & ODS_FOCUS)
                    back = RGB(0xE8, 0xF0, 0xFC);
                dc->FillSolidRect(&r, back);
                dc->FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, RGB(0xE4, 0xE8, 0xEE));
                CFont* old = dc->SelectObject(&font);
                dc->SetBkMode(TRANSPARENT);
                dc->SetTextColor(RGB(0x20, 0x28, 0x38));
                CRect text(r.left + 8, r.top, r.right - 4, r.bottom);
                dc->DrawText(kTitles[item % 10], -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
                dc->SelectObject(old);
            }
            *result = TRUE;
            return TRUE;
        }
        if (message == WM_ERASEBKGND) {
            CRect r;
            GetClientRect(&r);
            ::FillRect((HDC)wParam, &r, (HBRUSH)::GetStockObject(WHITE_BRUSH));
            *result = TRUE;
            return TRUE;
        }
        return CWnd::OnWndMsg(message, wParam, lParam, result);
    }
};

// A 9 x 9 box with a minus (and a plus bar): drawn with SRCAND, so its white stays out.
HBITMAP MakeExpandButton(bool plus)
{
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 9, 9);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    RECT all = {0, 0, 9, 9};
    ::FillRect(mem, &all, (HBRUSH)::GetStockObject(WHITE_BRUSH));
    HBRUSH frame = ::CreateSolidBrush(RGB(0x87, 0x94, 0xAB));
    ::FrameRect(mem, &all, frame);
    ::DeleteObject(frame);
    HBRUSH ink = ::CreateSolidBrush(RGB(0x2F, 0x3A, 0x4E));
    RECT bar = {2, 4, 7, 5};
    ::FillRect(mem, &bar, ink);
    if (plus) {
        RECT up = {4, 2, 5, 7};
        ::FillRect(mem, &up, ink);
    }
    ::DeleteObject(ink);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

class ListsFrame : public CFrameWnd {
public:
    ListsPanel panel;
    LWListCtrl list;
    LWListCtrl shortList;
    LWTreeCtrl tree;
    LWTreeCtrl plainTree;
    LWTabCtrl tabs;
    LWTabCtrl plainTabs;
    CImageList closeImages;
    CHTMLListCtrl html;

    void Build()
    {
        CRect client;
        GetClientRect(&client);
        panel.font.CreateFont(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
        panel.CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"",
                       WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, client, this, AFX_IDW_PANE_FIRST);
        // a scrolled list with a range selected and a hot row
        list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(16, 16, 236, 168), &panel, 100);
        list.SetItemHeight(24);
        list.SetItemCount(10);
        list.SetTopIndex(1);
        list.SetCurSel(2, 3);
        list.m_nHotItem = 6;
        // a short list without a scroll bar, one row selected
        shortList.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(16, 184, 236, 300), &panel, 100);
        shortList.SetItemHeight(24);
        shortList.SetItemCount(3);
        shortList.SetCurSel(1);

        // the catalogue's tree, painted by the library, and the same tree painted by the system
        for (LWTreeCtrl* t : {&tree, &plainTree}) {
            const int left = t == &tree ? 260 : 480;
            t->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                      CRect(left, 16, left + 200, 200), &panel, 200);
            t->ModifyStyle(0, TVS_CHECKBOXES);
            t->SetFont(&panel.font);
            HTREEITEM notebooks = t->InsertItem(L"Notebooks");
            HTREEITEM work = t->InsertItem(L"Work", notebooks);
            t->InsertItem(L"Meetings", work);
            HTREEITEM reports = t->InsertItem(L"Reports", work);
            t->InsertItem(L"Personal", notebooks);
            HTREEITEM tags = t->InsertItem(L"Tags");
            t->InsertItem(L"urgent", tags);
            t->InsertItem(L"Trash");
            t->Expand(notebooks, TVE_EXPAND);
            t->Expand(work, TVE_EXPAND);
            t->SetCheck(reports, TRUE);
            t->SelectItem(reports);
        }
        tree.m_bmpCollapsed.Attach(MakeExpandButton(true));
        tree.m_bmpExpanded.Attach(MakeExpandButton(false));
        tree.m_crText = RGB(0x20, 0x28, 0x38);
        tree.m_bOwnerPaint = 1;

        // the editor's note tabs: skinned, with close buttons; and a plain one without a skin
        LWTabCtrl::s_defSkin = SkinControl{IDB_TAB_SKIN, 0, 48, 22, {2, 2, 46, 20}};
        closeImages.Create(11, 11, ILC_COLOR24 | ILC_MASK, 1, 0);
        {
            HDC screen = ::GetDC(nullptr);
            HBITMAP cross = ::CreateCompatibleBitmap(screen, 11, 11);
            HDC mem = ::CreateCompatibleDC(screen);
            HGDIOBJ old = ::SelectObject(mem, cross);
            RECT all = {0, 0, 11, 11};
            HBRUSH key = ::CreateSolidBrush(RGB(255, 0, 255));
            ::FillRect(mem, &all, key);
            ::DeleteObject(key);
            HPEN pen = ::CreatePen(PS_SOLID, 2, RGB(0x5B, 0x68, 0x84));
            HGDIOBJ oldPen = ::SelectObject(mem, pen);
            ::MoveToEx(mem, 2, 2, nullptr);
            ::LineTo(mem, 8, 8);
            ::MoveToEx(mem, 8, 2, nullptr);
            ::LineTo(mem, 2, 8);
            ::SelectObject(mem, oldPen);
            ::DeleteObject(pen);
            ::SelectObject(mem, old);
            ::DeleteDC(mem);
            ::ReleaseDC(nullptr, screen);
            ImageList_AddMasked(closeImages.GetSafeHandle(), cross, RGB(255, 0, 255));
            ::DeleteObject(cross);
        }
        const wchar_t* notes[] = {L"Shopping list", L"Meeting notes", L"Recipes", L"Trip"};
        for (LWTabCtrl* t : {&tabs, &plainTabs}) {
            const int top = t == &tabs ? 220 : 330;
            t->Create(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, CRect(260, top, 700, top + 90), &panel, 300);
            t->SetFont(&panel.font);
            if (t == &tabs) {
                SkinControl skin = LWTabCtrl::s_defSkin;
                t->SetSkin(skin);
                t->m_imgClose.Attach(ImageList_Duplicate(closeImages.GetSafeHandle()));
                t->SetPadding(CSize(14, 3));  // room for the close button
            }
            for (int i = 0; i < 4; ++i) {
                TCITEMW item = {};
                item.mask = TCIF_TEXT | TCIF_STATE;
                item.pszText = (LPWSTR)notes[i];
                item.dwState = (t == &tabs && i != 3) ? LWTC_STATE_CLOSE : 0;
                item.dwStateMask = (DWORD)-1;
                t->SendMessage(TCM_INSERTITEMW, i, (LPARAM)&item);
                t->SendMessage(TCM_SETITEMW, i, (LPARAM)&item);
            }
            t->SetCurSel(1);
        }

        // the HTML list: plain, marked-up and path items, one checked, one selected
        html.Create(&panel, CRect(16, 320, 236, 520), 400, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL);
        html.SetExtendedStyle(HTMLLIST_STYLE_CHECKBOX | HTMLLIST_STYLE_GRIDLINES);
        html.InsertItem(L"Buy bread and milk on the way home", 0, NORMAL_TEXT);
        html.InsertItem(L"<b>Due</b> <i>Friday</i>: the <font color=\"#2F6FD0\">quarterly</font> report<br>with x<sup>2</sup> and H<sub>2</sub>O", 0, HTML_TEXT);
        html.InsertItem(L"C:\\Users\\someone\\Documents\\Notes\\Exported\\shopping-list.html", 0, SINGLE_LINE_TEXT);
        html.InsertItem(L"<u>Call</u> the <b>plumber</b>", 0, HTML_TEXT);
        html.SetItemCheck(3, TRUE);
        html.SetSelectedItem(0);
    }
};

} // namespace

CFrameWnd* MakeListsGallery()
{
    ListsFrame* frame = new ListsFrame;
    frame->Create(nullptr, L"Lumawin gallery: lists", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 820, 560));
    frame->RecalcLayout();
    frame->Build();
    return frame;
}
