// The skinned dialog base, the message box and the confirmation, driven by messages from a
// script that runs once the dialog is initialised.
#include "DlgMsg.h"
#include "PanesIds.h"
#include "PanesTestUtil.h"
#include "StringTable.h"
#include <algorithm>
#include <functional>
#include <vector>
#include <gtest/gtest.h>

namespace {

using ptest::Pump;

// Runs `script` right after the dialog's own initialisation, inside the modal loop.
template <class Base>
class Scripted : public Base {
public:
    using Base::Base;
    std::function<void(Scripted&)> script;
    BOOL OnInitDialog() override
    {
        BOOL r = Base::OnInitDialog();
        if (script)
            script(*this);
        return r;
    }
};

// A top-level window with an edit that holds the focus before a dialog opens. Other programs
// share the display, so activation is asked for, not assumed: `active` says whether it took,
// and `lostToOtherApps` counts the times another program took the activation since.
struct Owner {
    HWND frame, edit;
    bool active = false;
    static int lostToOtherApps;
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_ACTIVATEAPP && !wp)
            ++lostToOtherApps;
        return ::DefWindowProcW(w, m, wp, lp);
    }
    Owner()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PanesTestOwner";
        ::RegisterClassW(&wc);  // fails harmlessly once registered
        frame = ::CreateWindowExW(0, L"PanesTestOwner", L"owner", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, frame, nullptr, nullptr,
                                 nullptr);
        ::SetForegroundWindow(frame);
        ::SetFocus(edit);
        Pump();
        lostToOtherApps = 0;
        active = ::GetActiveWindow() == frame && ::GetFocus() == edit;
    }
    ~Owner() { ::DestroyWindow(frame); }
};
int Owner::lostToOtherApps = 0;

// Records every window the thread's SetFocus calls target, whether or not the thread holds
// the foreground at the time.
struct FocusRequests {
    static std::vector<HWND> targets;
    HHOOK hook;
    static LRESULT CALLBACK Cbt(int code, WPARAM wp, LPARAM lp)
    {
        if (code == HCBT_SETFOCUS)
            targets.push_back((HWND)wp);
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
    FocusRequests() : hook(::SetWindowsHookExW(WH_CBT, Cbt, nullptr, ::GetCurrentThreadId())) { targets.clear(); }
    ~FocusRequests() { ::UnhookWindowsHookEx(hook); }
    bool Asked(HWND w) const { return std::find(targets.begin(), targets.end(), w) != targets.end(); }
};
std::vector<HWND> FocusRequests::targets;

void Post(CWnd& dlg, UINT id)
{
    dlg.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(dlg.m_hWnd, id));
}

LRESULT HitAt(CWnd& dlg, int x, int y)
{
    CPoint pt(x, y);
    dlg.ClientToScreen(&pt);
    return dlg.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

TEST(DialogExt, DefaultSkinCaptionCloseAndCornerHitAreas)
{
    Scripted<CDlgMsg> dlg;
    dlg.m_strMessage = L"Hit areas";
    dlg.script = [](Scripted<CDlgMsg>& d) {
        CRect c;
        d.GetClientRect(&c);
        DialogSkin skin;
        d.GetSkin(skin);
        EXPECT_EQ(0, memcmp(&skin, &DefaultDialogSkin, sizeof skin));
        EXPECT_NE(nullptr, d.m_bmpBackground.GetSafeHandle());
        struct { int x, y; LRESULT off, on; } table[] = {
            {60, 34, HTCAPTION, HTCAPTION},                        // last row of the caption band
            {60, 35, HTCLIENT, HTCLIENT},                          // first row below it
            {c.right - 25 + 8, 8 + 8, HTCLIENT, HTCLIENT},         // inside the close button
            {c.right - 25, 8 + 8, HTCAPTION, HTCAPTION},           // its edge is outside (strict)
            {c.right - 4, c.bottom - 4, HTCLIENT, HTBOTTOMRIGHT},  // bottom corners, sizing off/on
            {4, c.bottom - 4, HTCLIENT, HTBOTTOMLEFT},
            {c.right - 8, c.bottom - 4, HTCLIENT, HTCLIENT},       // the squares' edges are outside
            {4, c.bottom - 8, HTCLIENT, HTCLIENT},
        };
        for (const auto& t : table)
            EXPECT_EQ(t.off, HitAt(d, t.x, t.y)) << t.x << "," << t.y;
        d.m_bResizable = TRUE;
        for (const auto& t : table)
            EXPECT_EQ(t.on, HitAt(d, t.x, t.y)) << t.x << "," << t.y << " resizable";
        Post(d, IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
}

TEST(DialogExt, RegionCutsFourPixelsOffEachCorner)
{
    Scripted<CDlgMsg> dlg;
    dlg.script = [](Scripted<CDlgMsg>& d) {
        CRect w;
        d.GetWindowRect(&w);
        HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(ERROR, ::GetWindowRgn(d.m_hWnd, rgn));
        const int W = w.Width(), H = w.Height();
        struct { int x, y; BOOL in; } table[] = {
            {3, 0, FALSE}, {4, 0, TRUE}, {0, 3, FALSE}, {0, 4, TRUE}, {1, 1, FALSE}, {2, 2, TRUE}, {1, 2, TRUE},
            {W - 4, 0, FALSE}, {W - 5, 0, TRUE}, {W - 1, H - 4, FALSE}, {W - 1, H - 5, TRUE},
            {0, H - 4, FALSE}, {W - 2, H - 2, FALSE}, {W - 3, H - 3, TRUE},
        };
        for (const auto& t : table)
            EXPECT_EQ(t.in, ::PtInRegion(rgn, t.x, t.y)) << t.x << "," << t.y;
        ::DeleteObject(rgn);
        Post(d, IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
}

TEST(DialogExt, BackgroundFillIsSkippedForTheNoFillColour)
{
    // The centre of the default skin is white (see-through), so the fill shows there.
    for (COLORREF fill : {RGB(10, 200, 30), RGB(255, 0, 0)}) {
        Scripted<CDlgMsg> dlg;
        dlg.m_clrBackground = fill;
        COLORREF seen = CLR_INVALID;
        dlg.script = [&](Scripted<CDlgMsg>& d) {
            CRect c;
            d.GetClientRect(&c);
            HDC screen = ::GetDC(nullptr);
            HDC mem = ::CreateCompatibleDC(screen);
            HBITMAP bmp = ::CreateCompatibleBitmap(screen, c.Width(), c.Height());
            ::ReleaseDC(nullptr, screen);
            HGDIOBJ old = ::SelectObject(mem, bmp);
            CRect all(0, 0, c.Width(), c.Height());
            ::FillRect(mem, &all, (HBRUSH)::GetStockObject(BLACK_BRUSH));
            d.SendMessage(WM_ERASEBKGND, (WPARAM)mem, 0);
            seen = ::GetPixel(mem, 20, c.Height() - 20);
            ::SelectObject(mem, old);
            ::DeleteObject(bmp);
            ::DeleteDC(mem);
            Post(d, IDOK);
        };
        dlg.DoModal();
        EXPECT_EQ(fill == RGB(255, 0, 0) ? RGB(0, 0, 0) : fill, seen);
    }
}

TEST(DialogExt, OkCancelAndCloseButtonHandTheFocusBack)
{
    struct Case { const char* name; int expect; std::function<void(CDlgMsg&)> end; } table[] = {
        {"ok", IDOK, [](CDlgMsg& d) { Post(d, IDOK); }},
        {"cancel", IDCANCEL, [](CDlgMsg& d) { Post(d, IDCANCEL); }},
        {"escape", IDCANCEL, [](CDlgMsg& d) { d.PostMessage(WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"close button", IDCANCEL, [](CDlgMsg& d) {
             CRect c = d.CloseRect();
             d.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.left + 8, c.top + 8));
         }},
    };
    for (auto& t : table) {
        Owner owner;
        FocusRequests requests;
        Scripted<CDlgMsg> dlg(CWnd::FromHandle(owner.frame), true, false);
        HWND savedAtInit = nullptr;
        dlg.script = [&](Scripted<CDlgMsg>& d) {
            savedAtInit = d.m_hWndSavedFocus;
            FocusRequests::targets.clear();  // from here on only the hand-back may ask for the edit
            t.end(d);
        };
        EXPECT_EQ(t.expect, dlg.DoModal()) << t.name;
        EXPECT_EQ(nullptr, dlg.m_hWndSavedFocus) << t.name;
        // The focus can only be compared while this program kept the activation throughout;
        // the request for it is checked either way.
        if (owner.active) {
            EXPECT_EQ(owner.edit, savedAtInit) << t.name;
            EXPECT_TRUE(requests.Asked(owner.edit)) << t.name;
            if (Owner::lostToOtherApps == 0 && ::GetActiveWindow() == owner.frame) {
                EXPECT_EQ(owner.edit, ::GetFocus()) << t.name;
            }
        } else if (savedAtInit) {
            EXPECT_TRUE(requests.Asked(savedAtInit)) << t.name;
        }
    }
}

TEST(DialogExt, AFocusWindowDestroyedWhileOpenIsNotRestored)
{
    Owner owner;
    HWND other = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 10, 40, 100, 20, owner.frame, nullptr,
                                   nullptr, nullptr);
    Scripted<CDlgMsg> dlg(CWnd::FromHandle(owner.frame));
    dlg.script = [&](Scripted<CDlgMsg>& d) {
        ::DestroyWindow(owner.edit);
        // A new window may take the dead handle's place in a lookup by pointer; by handle it
        // is simply gone.
        Post(d, IDOK);
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(::IsWindow(owner.edit));
    HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == nullptr || ::IsWindow(focus));
    EXPECT_NE(owner.edit, focus);
    ::DestroyWindow(other);
}

struct MsgLayout {
    const char* name;
    const wchar_t* message;
    bool buttons, beside;
    int first, second;  // string ids for the two-button constructor (0: plain constructor)
};

TEST(DlgMsg, SizeAndButtonPlacementFollowTheText)
{
    CStringTable::Instance()->Load();
    const MsgLayout table[] = {
        {"empty", L"", 0, 0, 0, 0},
        {"one line", L"Failed save file to database.", 0, 0, 0, 0},
        {"three lines", L"Failed save file to database.\nline two\nline three", 0, 0, 0, 0},
        {"beside", L"Failed save file to database.", 0, 1, 0, 0},
        {"yes no", L"Failed save file to database.", 1, 0, 901, 902},
        {"stop resume", L"Sync is running.", 1, 0, 1610, 1611},
        // A pair that keeps the template's "OK"/"Cancel", with and without the beside flag
        // (which only a single button can use).
        {"ok cancel", L"Sync is running.\nQuit anyway?", 1, 0, 0, 0},
        {"ok cancel beside", L"Sync is running.\nQuit anyway?", 1, 1, 0, 0},
    };
    int oneLineHeight = 0, threeLineHeight = 0;
    for (const auto& t : table) {
        std::unique_ptr<Scripted<CDlgMsg>> dlg(t.first ? new Scripted<CDlgMsg>(nullptr, t.first, t.second)
                                                        : new Scripted<CDlgMsg>(nullptr, t.buttons, t.beside));
        dlg->m_strMessage = t.message;
        CRect win, b1, b2, text(0, 0, 0, 0);
        BOOL secondVisible = FALSE;
        CString firstText, secondText;
        dlg->script = [&](Scripted<CDlgMsg>& d) {
            d.m_btnFirst.GetWindowText(firstText);
            d.m_btnSecond.GetWindowText(secondText);
            d.GetWindowRect(&win);
            d.m_btnFirst.GetWindowRect(&b1);
            d.m_btnSecond.GetWindowRect(&b2);
            d.ScreenToClient(&b1);
            d.ScreenToClient(&b2);
            secondVisible = (d.m_btnSecond.GetStyle() & WS_VISIBLE) != 0;
            CClientDC dc(&d);
            CFont* old = dc.SelectObject(&d.m_fontCaption);
            if (*t.message)
                dc.DrawText(d.m_strMessage, &text, DT_CALCRECT | DT_NOPREFIX);
            dc.SelectObject(old);
            Post(d, IDCANCEL);
        };
        ASSERT_EQ(IDCANCEL, dlg->DoModal()) << t.name;
        SCOPED_TRACE(t.name);
        if (t.first) {
            // The ids' texts, not the template's "OK" and "Cancel".
            EXPECT_EQ(GetLangString(t.first), firstText);
            EXPECT_EQ(GetLangString(t.second), secondText);
        }
        int bw = t.buttons ? b1.Width() + b2.Width() : 0;
        // Whatever the form, no button covers the text or another button.
        const CRect textOnBox(100, 50, 100 + text.Width(), 50 + text.Height());
        CRect overlap;
        if (!t.beside || t.buttons) {
            EXPECT_FALSE(overlap.IntersectRect(&b1, &textOnBox)) << "first button on the text";
        }
        if (t.buttons) {
            EXPECT_FALSE(overlap.IntersectRect(&b2, &textOnBox)) << "second button on the text";
            EXPECT_FALSE(overlap.IntersectRect(&b1, &b2)) << "buttons on each other";
            EXPECT_LE(b2.right, win.Width());
        }
        if (t.beside && !t.buttons) {
            EXPECT_EQ(std::max(text.Width() + 270, bw + 100), win.Width());
            EXPECT_EQ(text.Height() + 90, win.Height());
            EXPECT_EQ(CPoint(win.Width() - 110, 50), b1.TopLeft());
        } else {
            EXPECT_EQ(std::max(text.Width() + 150, bw + 100), win.Width());
            EXPECT_EQ(text.Height() + 120, win.Height());
            EXPECT_EQ(win.Height() - 50, b1.top);
        }
        if (t.buttons) {
            EXPECT_TRUE(secondVisible);
            EXPECT_EQ(10, b2.left - b1.right);  // the pair centred as a group, 10 pixels apart
            EXPECT_EQ((win.Width() - b1.Width() - b2.Width() - 10) / 2, b1.left);
            EXPECT_EQ(win.Height() - 50, b2.top);
        } else {
            EXPECT_FALSE(secondVisible);
            if (!t.beside) {
                EXPECT_EQ((win.Width() - b1.Width()) / 2, b1.left);
            }
        }
        if (!strcmp(t.name, "empty")) {
            EXPECT_EQ(150, win.Width());
            EXPECT_EQ(120, win.Height());
        }
        if (!strcmp(t.name, "one line"))
            oneLineHeight = win.Height();
        if (!strcmp(t.name, "three lines"))
            threeLineHeight = win.Height();
    }
    EXPECT_GT(threeLineHeight, oneLineHeight);
    CStringTable::Release();
}

TEST(DlgMsg, ButtonsAnswerOkAndCancel)
{
    struct { UINT id; int expect; } table[] = {{IDOK, IDOK}, {IDCANCEL, IDCANCEL}};
    for (const auto& t : table) {
        Scripted<CDlgMsg> dlg(nullptr, 901, 902);  // plain ints, as callers write them
        dlg.m_bmpIcon.LoadBitmap(IDB_MSG_ERROR);
        dlg.script = [&](Scripted<CDlgMsg>& d) {
            EXPECT_NE(nullptr, d.m_imgIcon.GetSafeHandle());
            CString first;
            d.m_btnFirst.GetWindowText(first);
            EXPECT_EQ(GetLangString(901, L"Yes"), first);
            Post(d, t.id);
        };
        EXPECT_EQ(t.expect, dlg.DoModal());
    }
}

struct AysCase {
    const char* name;
    int kind, several;
    const wchar_t* custom;
    const wchar_t* expect;
};

TEST(AreYouSure, QuestionChosenByKindUnlessCustom)
{
    const AysCase table[] = {
        {"note", -1, 0, nullptr, L"Are you sure you want to delete this note?"},
        {"notes", -1, 1, nullptr, L"Are you sure you want to delete these notes?"},
        {"tag", 4, 0, nullptr, L"Are you sure you want to delete this tag?"},
        {"search", 6, 0, nullptr, L"Are you sure you want to delete this search folder?"},
        {"folder", 1, 0, nullptr, L"Are you sure you want to delete this folder?"},
        {"unknown kind", 77, 1, nullptr, L"Are you sure you want to delete this folder?"},
        {"custom", 4, 0, L"Stop sharing this note?", L"Stop sharing this note?"},
    };
    for (const auto& t : table) {
        Scripted<CDlgAreYouSure> dlg;
        dlg.m_nKind = t.kind;
        dlg.m_bSeveralNotes = t.several;
        if (t.custom)
            dlg.SetCustomMessage(t.custom);
        CString shown, check, title;
        dlg.script = [&](Scripted<CDlgAreYouSure>& d) {
            d.m_stMessage.GetWindowText(shown);
            d.m_chkDontAsk.GetWindowText(check);
            title = d.m_strTitle;
            Post(d, IDCANCEL);
        };
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_STREQ(t.expect, (const wchar_t*)shown) << t.name;
        EXPECT_STREQ(L"Don't ask again", (const wchar_t*)check);
        EXPECT_STREQ(L"Alert", (const wchar_t*)title);
    }
}

int g_saves = 0;
void CountSave() { ++g_saves; }

TEST(AreYouSure, DontAskAgainIsWrittenAndSavedOnlyOnYes)
{
    CDlgAreYouSure::SaveOptionsHook hook(CountSave);
    struct { const char* name; bool tick; UINT answer; int expectResult, expectFlag, expectSaves; } table[] = {
        {"yes ticked", true, IDOK, IDOK, 1, 1},
        {"yes unticked", false, IDOK, IDOK, 0, 1},
        {"no ticked", true, IDCANCEL, IDCANCEL, 7, 0},
    };
    for (const auto& t : table) {
        g_saves = 0;
        int flag = 7;
        Scripted<CDlgAreYouSure> dlg(nullptr, &flag);
        dlg.script = [&](Scripted<CDlgAreYouSure>& d) {
            if (t.tick) {
                d.m_chkDontAsk.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
                d.m_chkDontAsk.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            }
            Post(d, t.answer);
        };
        EXPECT_EQ(t.expectResult, dlg.DoModal()) << t.name;
        EXPECT_EQ(t.expectFlag, flag) << t.name;
        EXPECT_EQ(t.expectSaves, g_saves) << t.name;
    }
}

TEST(AreYouSure, YesWithoutASaveHookOrFlagStillAnswers)
{
    // Before the options object exists there is no hook: Yes writes the flag and saves nothing.
    ASSERT_EQ(nullptr, CDlgAreYouSure::s_pfnSaveOptions);
    for (bool withFlag : {true, false}) {
        int flag = 0;
        Scripted<CDlgAreYouSure> dlg(nullptr, withFlag ? &flag : nullptr);
        dlg.script = [](Scripted<CDlgAreYouSure>& d) {
            d.m_chkDontAsk.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
            d.m_chkDontAsk.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
            Post(d, IDOK);
        };
        EXPECT_EQ(IDOK, dlg.DoModal());
        EXPECT_EQ(withFlag ? 1 : 0, flag);
    }
    {
        CDlgAreYouSure::SaveOptionsHook outer(CountSave);
        {
            CDlgAreYouSure::SaveOptionsHook inner(nullptr);
            EXPECT_EQ(nullptr, CDlgAreYouSure::s_pfnSaveOptions);
        }
        EXPECT_EQ(&CountSave, CDlgAreYouSure::s_pfnSaveOptions);  // the scope puts back what it found
    }
    EXPECT_EQ(nullptr, CDlgAreYouSure::s_pfnSaveOptions);
}

}  // namespace
