// The gallery's second page ("LumawinGallery lists"): the list, tree and tab controls in their
// states, drawn the way the program's panes draw them.
#include "LWListCtrl.h"
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

class ListsFrame : public CFrameWnd {
public:
    ListsPanel panel;
    LWListCtrl list;
    LWListCtrl shortList;

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
