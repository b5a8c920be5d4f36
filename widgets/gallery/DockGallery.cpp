// LumawinDockGallery: the library's MDI frame with docked panes, as the program arranges them:
// a container of two dialogs on the left, a dialog on the right, a tool bar and an MDI child.
// "LumawinDockGallery hide" shows the frame with its docked windows hidden, "drag" stops in
// the middle of a drag of the left splitter strip (the tracker shows). For screenshots.
#include "LWDock.h"
#include "LWMDIFrameWnd.h"
#include "LWSplitterWnd.h"
#include "../../resources/resource.h"
#include <memory>
#include <vector>

namespace {

const COLORREF kCaption = RGB(0x3A, 0x45, 0x58);
const COLORREF kStrip = RGB(0xE4, 0xEA, 0xF4);
const COLORREF kStripLine = RGB(196, 203, 218);

// A pane as the program's are: a dialog that draws its own caption strip and a few lines.
class SamplePane : public LWDialog {
public:
    CString title;
    std::vector<CString> lines;
    CFont font;

    SamplePane(const wchar_t* t, std::vector<CString> l) : LWDialog(IDD_LW_DIALOGPANE, nullptr), title(t), lines(std::move(l))
    {
        font.CreateFont(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
    }

protected:
    afx_msg void OnNcPaint()
    {
        if (!IsDocked() || !m_bCaption)
            return;
        CWindowDC dc(this);
        CRect window;
        GetWindowRect(&window);
        CRect strip(0, 0, window.Width(), kCaptionHeight);
        dc.FillSolidRect(&strip, kStrip);
        dc.FillSolidRect(0, kCaptionHeight - 1, window.Width(), 1, kStripLine);
        CFont* old = dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kCaption);
        dc.TextOut(6, 1, title, title.GetLength());
        dc.SelectObject(old);
    }
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
        CFont* old = dc.SelectObject(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kCaption);
        int y = 8;
        for (const CString& line : lines) {
            dc.TextOut(10, y, line, line.GetLength());
            y += 20;
        }
        dc.SelectObject(old);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SamplePane, LWDialog)
    ON_WM_NCPAINT()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
END_MESSAGE_MAP()

class DockGalleryFrame : public LWMDIFrameWnd {
public:
    std::vector<std::unique_ptr<SamplePane>> panes;

    SamplePane* Pane(const wchar_t* title, std::vector<CString> lines)
    {
        panes.push_back(std::make_unique<SamplePane>(title, std::move(lines)));
        SamplePane* p = panes.back().get();
        p->Create(IDD_LW_DIALOGPANE, this);
        return p;
    }

    void Build()
    {
        CToolBar* bar = CreateToolbar(L"Standard", IDR_MAINFRAME, nullptr, TRUE, WS_CHILD | WS_VISIBLE | CBRS_TOP);
        if (bar)
            DockControlBar(bar, AFX_IDW_DOCKBAR_TOP);

        SamplePane* folders = Pane(L"Notebooks", {L"All notes (12)", L"Work (5)", L"Travel (4)", L"Trash (3)"});
        SamplePane* notes = Pane(L"Notes", {L"Shopping list", L"Meeting on Friday", L"Train times", L"Ideas"});
        SamplePane* todo = Pane(L"To do", {L"Call the bank", L"Renew the passport"});
        LWDialogPane* left = LWDialogPane::CreateDialogPane(this);
        left->m_pSplitter->SetPos(120);
        left->DockWindow(folders, LWDockLeft, -1);
        left->DockWindow(notes, LWDockBottom, -1);
        left->m_pSplitter->SetPos(240);
        DockWindow(left, LWDockLeft, 260, 1, 4);
        DockWindow(todo, LWDockRight, 180, 1, 4);
        for (SamplePane* p : {folders, notes, todo})
            p->ShowWindow(SW_SHOW);

        CMDIChildWnd* child = new CMDIChildWnd;
        child->Create(nullptr, L"Note1", WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW, CRect(10, 10, 330, 230), this);
        RecalcLayout(TRUE);
    }
};

// Presses on the left strip and moves 40 pixels right; the button is never released.
void CALLBACK StartDrag(HWND window, UINT, UINT_PTR id, DWORD)
{
    ::KillTimer(window, id);
    auto* frame = static_cast<LWMDIFrameWnd*>(CWnd::FromHandlePermanent(window));
    CRect mdi;
    ::GetWindowRect(frame->m_hWndMDIClient, &mdi);
    frame->ScreenToClient(&mdi);
    CPoint at(mdi.left - 2, mdi.top + 100), screen = at;
    frame->ClientToScreen(&screen);
    frame->SendMessage(WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    frame->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    frame->SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x + 40, at.y));
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int)
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    LWSplitterWnd::s_bmpGripper.LoadBitmap(IDB_SPLITTER_GRIPPER);
    DockGalleryFrame* frame = new DockGalleryFrame;
    frame->Create(nullptr, L"Lumawin docking", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CRect(0, 0, 900, 600));
    frame->Build();
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    if (commandLine && wcsstr(commandLine, L"hide"))
        frame->HideAttachedWindow();
    if (commandLine && wcsstr(commandLine, L"drag"))
        ::SetTimer(frame->GetSafeHwnd(), 1, 1500, StartDrag);  // once everything has painted
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
