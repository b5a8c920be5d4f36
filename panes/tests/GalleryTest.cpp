// Not a check: shows the panes' controls on screen for a while so a screenshot can be taken
// (run with --gtest_also_run_disabled_tests --gtest_filter=*Gallery*).
#include "HyperLink.h"
#include "PanesIds.h"
#include "PanesTestUtil.h"
#include "SkinScrollBar.h"
#include "SmallControls.h"

using namespace ptest;

namespace {

TEST(Gallery, DISABLED_ShowTheControls)
{
    Host host(520, 320);
    CBitmap skin;
    skin.LoadBitmap(IDB_SCROLL_SKIN);
    CListBox folders;
    folders.Create(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT,
                   CRect(10, 10, 210, 200), &host, 42);
    const wchar_t* names[] = {L"Inbox", L"Рабочие заметки", L"Recipes \"best\"", L"Travel / 2026", L"Books"};
    for (int i = 0; i < 30; ++i)
        folders.AddString(names[i % 5]);
    folders.SendMessage(LB_SETHORIZONTALEXTENT, 400, 0);
    AttachSkinnedScrollBars(&folders, (HBITMAP)skin.GetSafeHandle());

    PeloraUI::CHyperLink link;
    link.Create(L"Open the help pages", WS_CHILD | WS_VISIBLE, CRect(230, 10, 420, 32), &host, 500);
    link.SetBackgroundColour(RGB(255, 255, 255));
    link.SetHighlight(TRUE);
    PeloraUI::CHyperLink hovered;
    hovered.Create(L"Hovered link", WS_CHILD | WS_VISIBLE, CRect(230, 40, 420, 62), &host, 501);
    hovered.SetBackgroundColour(RGB(255, 255, 255));
    hovered.m_bHovered = 1;

    PeloraUI::CCheckBox box1, box2;
    box1.Create(L"Export tags", WS_CHILD | WS_VISIBLE, CRect(230, 80, 420, 100), &host, 300);
    box2.Create(L"Export attachments", WS_CHILD | WS_VISIBLE, CRect(230, 104, 420, 124), &host, 301);
    box2.m_bChecked = 1;

    CListCtrl2 keys;
    keys.m_bOwnFont = TRUE;
    keys.m_nRowFactor = 2;
    keys.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS, CRect(230, 140, 510, 300),
                &host, 400);
    keys.InsertColumn(0, L"Action", LVCFMT_LEFT, 140);
    keys.InsertColumn(1, L"Hot key", LVCFMT_LEFT, 130);
    const wchar_t* rows[][2] = {{L"New note", L"Ctrl+Alt+N"}, {L"Paste clip", L"Ctrl+Alt+V"}, {L"Search", L"Ctrl+F"}};
    for (int i = 0; i < 3; ++i) {
        keys.InsertItem(i, rows[i][0]);
        keys.SetItemText(i, 1, rows[i][1]);
    }
    keys.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);

    host.Show();
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 8000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Pump();
    }
}

}  // namespace
