// LumawinGallery: every control of the widget library in its states, on one window, with the
// program's skins; for looking at them (screenshots under Xvfb). "LumawinGallery menu" also
// opens the frame's menu with its tool-bar images.
#include "CoolMenuManager.h"
#include "LWBitmapButton.h"
#include "LWButton.h"
#include "LWComboBox.h"
#include "LWEdit.h"
#include "LWScrollBar.h"
#include "LWSplitterWnd.h"
#include "LWToolBar.h"
#include "../../resources/resource.h"
#include <memory>
#include <vector>

namespace {

const COLORREF kCaption = RGB(0x3A, 0x45, 0x58);

// White page with the section captions; parent of the controls.
class Panel : public CWnd {
public:
    struct Caption {
        int x, y;
        const wchar_t* text;
    };
    std::vector<Caption> captions;
    CFont font;

protected:
    afx_msg BOOL OnEraseBkgnd(CDC* dc)
    {
        CRect r;
        GetClientRect(&r);
        dc->FillSolidRect(&r, RGB(255, 255, 255));
        return TRUE;
    }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kCaption);
        for (const auto& c : captions)
            dc.TextOut(c.x, c.y, c.text, lstrlenW(c.text));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Panel, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

class GalleryFrame : public CFrameWnd {
public:
    bool openMenu = false;
    CCoolMenuManager menus;
    LWToolBar2 bar;
    CBitmap barBackground;
    Panel panel;
    std::vector<std::unique_ptr<CWnd>> owned;
    LWScrollBar scroll;
    LWSplitterWnd* split = new LWSplitterWnd;
    CStatic paneA, paneB;
    CMenu menu;

    template <class T>
    T* Make()
    {
        owned.emplace_back(new T);
        return static_cast<T*>(owned.back().get());
    }

    LWButton* Button(const wchar_t* text, int x, int y, int w, LWButton::Type type, int h = 23)
    {
        LWButton* b = Make<LWButton>();
        b->Create(text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(x, y, x + w, y + h), &panel, 1000 + (UINT)owned.size());
        b->SetFont(&LWButton::s_defFont);
        b->setType(type);
        b->setBgColor(RGB(255, 255, 255));
        return b;
    }

    void Build()
    {
        CRect client;
        GetClientRect(&client);
        panel.font.CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Helvetica");
        panel.CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                       CRect(0, 40, client.right, client.bottom), this, AFX_IDW_PANE_FIRST);

        // ---- buttons ----
        panel.captions.push_back({16, 10, L"Buttons"});
        int x = 16, y = 34;
        Button(L"Save", x, y, 80, LWButton::TypeNormal);
        LWButton* down = Button(L"Checked", x + 90, y, 80, LWButton::TypeToggle);
        down->SetCheck(true);
        Button(L"Disabled", x + 180, y, 80, LWButton::TypeNormal)->enable(false);
        LWButton* hover = Button(L"Hover", x + 270, y, 80, LWButton::TypeHover);
        hover->m_bHot = 1;
        Button(L"Options", x + 360, y, 90, LWButton::TypeDropDown);
        Button(L"Sync now", x + 460, y, 100, LWButton::TypeSplit);
        LWButton* image = Button(L"New note", x + 570, y, 110, LWButton::TypeNormal);
        image->setBitmapId(IDB_NEW_NOTE, RGB(255, 0, 255));
        y += 36;
        LWButton* check = Button(L"Remember me", x, y, 10, LWButton::TypeCheckBox);
        check->setTextStyle(LWButton::TextLeft);
        check->SizeToText(0);
        LWButton* checked = Button(L"Start with Windows", x + 140, y, 10, LWButton::TypeCheckBox);
        checked->setTextStyle(LWButton::TextLeft);
        checked->SetCheck(true);
        checked->SizeToText(0);
        LWButton* r1 = Button(L"Full sync", x + 330, y, 10, LWButton::TypeRadio);
        LWButton* r2 = Button(L"Fast sync", x + 440, y, 10, LWButton::TypeRadio);
        for (LWButton* r : {r1, r2}) {
            r->setTextStyle(LWButton::TextLeft);
            r->addToGroup(L"sync");
            r->SizeToText(0);
        }
        r2->SetCheck(true);
        LWButton* link = Button(L"Forgot password?", x + 560, y, 10, LWButton::TypeLink);
        link->setTextColor(RGB(0x2F, 0x6F, 0xD0));
        link->SizeToText(0);
        LWButton* hotLink = Button(L"Hot link", x + 690, y, 10, LWButton::TypeLink);
        hotLink->setTextColor(RGB(0x2F, 0x6F, 0xD0));
        hotLink->m_bHot = 1;
        hotLink->SizeToText(0);
        y += 32;
        LWButton* flat = Button(L"Flat", x, y, 80, LWButton::TypeFlat);
        flat->setBgColor(RGB(0xDC, 0xE8, 0xFA));
        LWButton* focus = Button(L"Focused", x + 90, y, 90, LWButton::TypeNormal);
        focus->setFocusStyle(LWButton::FocusRect);
        LWBitmapButton* ok = Make<LWBitmapButton>();
        ok->Create(CString(L"okbutton"), CRect(x + 200, y, x + 200, y), &panel, 2001);
        LWBitmapButton* okOff = Make<LWBitmapButton>();
        okOff->Create(CString(L"okbutton"), CRect(x + 240, y, x + 240, y), &panel, 2002);
        okOff->EnableWindow(FALSE);

        // ---- edits and combo boxes ----
        y += 50;
        panel.captions.push_back({16, y, L"Edits and combo boxes"});
        y += 24;
        LWEdit* cue = Make<LWEdit>();
        cue->Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(x, y, x + 200, y + 24), &panel, 3001);
        cue->ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED);
        cue->SetFont(&LWButton::s_defFont);
        cue->m_strCue = L"Search notes";
        LWEdit* text = Make<LWEdit>();
        text->Create(WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, CRect(x + 210, y, x + 410, y + 24), &panel, 3002);
        text->SetFont(&LWButton::s_defFont);
        text->SetWindowText(L"Shopping list");
        LWEdit* off = Make<LWEdit>();
        off->m_bPlainDisabled = 1;
        off->Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(x + 420, y, x + 620, y + 24), &panel, 3003);
        off->SetFont(&LWButton::s_defFont);
        off->SetWindowText(L"Read-only title");
        off->EnableWindow(FALSE);
        y += 36;
        const wchar_t* folders[] = {L"Personal", L"Work", L"Recipes and a folder with a very long name"};
        for (int i = 0; i < 3; ++i) {
            LWComboBox* combo = Make<LWComboBox>();
            combo->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL, CRect(x + 210 * i, y, x + 210 * i + 200, y + 160),
                          &panel, 3010 + i);
            combo->m_strCue = L"Choose a folder";
            combo->m_bFitText = 1;
            for (const wchar_t* f : folders)
                combo->AddString(f);
            if (i == 1)
                combo->SetCurSel(0);
            if (i == 2) {
                combo->SetCurSel(2);
            }
        }

        // ---- scroll bar and splitter ----
        y += 50;
        panel.captions.push_back({16, y, L"Scroll bar and splitter"});
        y += 24;
        scroll.Create(WS_CHILD | WS_VISIBLE, CRect(x, y, x + 11, y + 150), &panel, 4001);
        scroll.SetRange(0, 100);
        scroll.SetPage(20);
        scroll.SetPos(30);
        split->Create(&panel, CRect(x + 40, y, x + 460, y + 150), 4002, LWSplitterWnd::KindLeft, &paneA, &paneB);
        split->SetWidth(7);
        paneA.Create(L"  Folders", WS_CHILD | WS_VISIBLE | SS_LEFT, CRect(0, 0, 1, 1), split, 4003);
        paneB.Create(L"  Notes", WS_CHILD | WS_VISIBLE | SS_LEFT, CRect(0, 0, 1, 1), split, 4004);
        paneA.SetFont(&LWButton::s_defFont);
        paneB.SetFont(&LWButton::s_defFont);
        split->SetPos(160);
        split->RecalcLayout();
        split->SendMessage(WM_SIZE, 0, MAKELPARAM(420, 150));
    }

    void BuildBar()
    {
        bar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        bar.LoadToolBar(IDR_MAINFRAME);
        CClientDC dc(this);
        barBackground.CreateCompatibleBitmap(&dc, 8, 8);
        CDC mem;
        mem.CreateCompatibleDC(&dc);
        CBitmap* old = mem.SelectObject(&barBackground);
        mem.FillSolidRect(0, 0, 8, 8, RGB(0xEE, 0xF3, 0xFB));
        mem.SelectObject(old);
        bar.m_bmpBackground.Attach(barBackground.Detach());
        bar.m_clrSeparatorTopLeft = RGB(0xB7, 0xBE, 0xD1);
        bar.m_clrSeparatorBottomRight = RGB(255, 255, 255);
        const wchar_t* texts[] = {L"New", L"Open", nullptr, L"Cut", L"Copy", L"Paste"};
        for (int i = 0; i < 6; ++i)
            bar.SetButtonText(texts[i], i);
        bar.SetNumButtons(6);
        bar.AddDropDownButton(ID_FILE_OPEN, IDR_MAINFRAME, 0, FALSE);
        int left = 4;
        for (int i = 0; i < bar.GetItemCount(); ++i) {
            UINT id = bar.GetItemID(i);
            int width = id == 0 ? 8 : (i < 6 && texts[i] ? 70 : 30);
            if (id == ID_FILE_OPEN)
                width += 12;
            RECT r = {left, 3, left + width, 25};
            bar.SetItemRect(i, &r);
            left += width + 4;
        }
        bar.SetButtonStyle(1, bar.GetButtonStyle(1) | 0x800000);  // hot
        bar.SetButtonStyle(4, bar.GetButtonStyle(4) | 0x20000);   // pressed
    }

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        if (CFrameWnd::OnCreate(cs) == -1)
            return -1;
        BuildBar();
        menus.LoadToolbar(IDR_MAINFRAME);
        menus.Install(this);
        menu.LoadMenu(IDR_MAINFRAME);
        return 0;
    }
    afx_msg LRESULT OnOpenMenu(WPARAM, LPARAM)
    {
        CRect r;
        GetWindowRect(&r);
        m_bAutoMenuEnable = FALSE;  // no handlers here: show the items as the resource has them
        PostMessage(WM_KEYDOWN, VK_DOWN, 0);  // the first item highlighted
        PostMessage(WM_KEYDOWN, VK_DOWN, 0);
        ::TrackPopupMenu(::GetSubMenu(menu.GetSafeHmenu(), 0), TPM_LEFTALIGN, r.left + 560, r.top + 320, 0, m_hWnd, nullptr);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(GalleryFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_MESSAGE(WM_APP, OnOpenMenu)
END_MESSAGE_MAP()

void SetDefaults()
{
    // as the program does at start-up
    LWButton::s_defBmpStateRes = IDB_BUTTON_STATES;
    LWButton::s_defFont.CreateFont(-12, 0, 0, 0, 500, 0, 0, 0, 204, 0, 0, CLEARTYPE_QUALITY, 0, L"Helvetica");
    LWButton::s_defSkin = SkinControl{IDB_BUTTON_SKIN, IDB_BUTTON_SKIN_DOWN, 73, 21, {2, 2, 71, 19}};
    LWComboBox::s_bmpButton.Create(IDB_COMBO_DROP, 9, 1, RGB(255, 0, 0));
    LWSplitterWnd::s_bmpGripper.LoadBitmap(IDB_SPLITTER_GRIPPER);
}

} // namespace

CFrameWnd* MakeListsGallery();  // GalleryLists.cpp

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    SetDefaults();
    if (commandLine && wcsstr(commandLine, L"lists")) {
        CFrameWnd* lists = MakeListsGallery();
        lists->ShowWindow(SW_SHOW);
        lists->UpdateWindow();
    } else {
        GalleryFrame* frame = new GalleryFrame;
        frame->openMenu = commandLine && wcsstr(commandLine, L"menu");
        frame->Create(nullptr, L"Lumawin gallery", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 820, 560));
        frame->RecalcLayout();
        frame->Build();
        frame->ShowWindow(SW_SHOW);
        frame->UpdateWindow();
        if (frame->openMenu)
            frame->PostMessage(WM_APP);
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
