#include "DlgMsg.h"
#include "PanesIds.h"
#include "StringTable.h"

CDlgMsg::CDlgMsg(CWnd* pParent, bool bButtons, bool bBeside)
    : CDialogExt(IDD_DLG_MSG, pParent), m_nButtons(bButtons), m_bBeside(bBeside)
{
}

CDlgMsg::CDlgMsg(CWnd* pParent, int firstTextId, int secondTextId) : CDialogExt(IDD_DLG_MSG, pParent), m_nButtons(1)
{
    m_strFirst = GetLangString(firstTextId, L"Yes");
    m_strSecond = GetLangString(secondTextId, L"No");
}

void CDlgMsg::DoDataExchange(CDataExchange* pDX)
{
    CDialogExt::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnFirst);
    DDX_Control(pDX, IDCANCEL, m_btnSecond);
}

BOOL CDlgMsg::OnInitDialog()
{
    BOOL result = CDialogExt::OnInitDialog();
    m_btnFirst.SetFont(&m_fontCaption);
    m_btnSecond.SetFont(&m_fontCaption);
    CRect rc;
    if (!m_strFirst.IsEmpty()) {
        m_btnFirst.SetWindowText(m_strFirst);
        m_btnFirst.SizeToText(0);
    }
    if (!m_strSecond.IsEmpty()) {
        m_btnSecond.SetWindowText(m_strSecond);
        m_btnSecond.SizeToText(0);
    }
    // The pair is laid out by the buttons' real widths, template-sized or not: counting a
    // button that kept its template text as 0 wide put the first one under the second. A
    // single button with the template text does not widen the box.
    m_btnFirst.GetWindowRect(&rc);
    const int b1 = (m_nButtons || !m_strFirst.IsEmpty()) ? rc.Width() : 0;
    m_btnSecond.GetWindowRect(&rc);
    const int b2 = m_nButtons ? rc.Width() : 0;
    // "Beside the text" is a one-button form; a pair always goes below, where the box's
    // height leaves room for it under the last line.
    const bool beside = m_bBeside && !m_nButtons;

    CRect text(0, 0, 0, 0);
    {
        CClientDC dc(this);
        CFont* old = dc.SelectObject(&m_fontCaption);
        if (!m_strMessage.IsEmpty())
            dc.DrawText(m_strMessage, &text, DT_CALCRECT | DT_NOPREFIX);
        dc.SelectObject(old);
    }
    int width, height;
    if (beside) {
        width = std::max(text.Width() + 270, b1 + b2 + 100);
        height = text.Height() + 90;
    } else {
        width = std::max(text.Width() + 150, b1 + b2 + 100);
        height = text.Height() + 120;
    }
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetupRegion(width, height);
    SetSkin(DefaultDialogSkin);

    if (m_bmpIcon.GetSafeHandle()) {
        m_imgIcon.DeleteImageList();
        m_imgIcon.Create(48, 48, ILC_COLOR24 | ILC_MASK, 1, 1);
        m_imgIcon.Add(&m_bmpIcon, RGB(255, 0, 0));
    }

    CRect win;
    GetWindowRect(&win);
    const int dw = win.Width(), dh = win.Height();
    if (m_nButtons == 0) {
        if (beside) {
            m_btnFirst.SetWindowPos(nullptr, dw - 110, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            m_btnFirst.GetWindowRect(&rc);
            m_btnFirst.SetWindowPos(nullptr, (dw - rc.Width()) / 2, dh - 50, 0, 0,
                                    SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        m_btnSecond.ShowWindow(SW_HIDE);
    } else {
        int x1 = (dw - b2 - b1 - 10) / 2;
        m_btnFirst.SetWindowPos(nullptr, x1, dh - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_btnSecond.SetWindowPos(nullptr, x1 + b1 + 10, dh - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_btnSecond.ShowWindow(SW_SHOW);
    }
    return result;
}

void CDlgMsg::DrawContent(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    CFont* old = dc->SelectObject(&m_fontCaption);
    int oldMode = dc->SetBkMode(TRANSPARENT);
    CRect rc(100, 50, client.right, client.bottom);
    dc->DrawText(m_strMessage, &rc, DT_NOPREFIX);
    dc->SetBkMode(oldMode);
    dc->SelectObject(old);
    if (m_imgIcon.GetSafeHandle())
        m_imgIcon.Draw(dc, 0, CPoint(30, 50), ILD_TRANSPARENT);
    for (int i = 0; m_pPictures && i < m_nPictures; ++i) {
        const MsgPicture& p = m_pPictures[i];
        if (p.kind != 1 || !p.bitmap)
            continue;
        HDC mem = ::CreateCompatibleDC(dc->GetSafeHdc());
        HGDIOBJ prev = ::SelectObject(mem, p.bitmap);
        ::BitBlt(dc->GetSafeHdc(), p.dest.left, p.dest.top, p.dest.right - p.dest.left, p.dest.bottom - p.dest.top,
                 mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, prev);
        ::DeleteDC(mem);
    }
}

void (*CDlgAreYouSure::s_pfnSaveOptions)() = nullptr;

CDlgAreYouSure::CDlgAreYouSure(CWnd* pParent, int* pDontAsk)
    : CDialogExt(IDD_DLG_ARE_YOU_SURE, pParent), m_pDontAsk(pDontAsk)
{
}

void CDlgAreYouSure::SetCustomMessage(const CString& text)
{
    m_strMessage = text;
    m_bCustomMessage = 1;
}

void CDlgAreYouSure::DoDataExchange(CDataExchange* pDX)
{
    CDialogExt::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_AYS_DONT_ASK, m_chkDontAsk);
    DDX_Control(pDX, IDCANCEL, m_btnNo);
    DDX_Control(pDX, IDOK, m_btnYes);
    DDX_Control(pDX, IDC_AYS_MESSAGE, m_stMessage);
    DDX_Text(pDX, IDC_AYS_MESSAGE, m_strMessage);
    DDX_Text(pDX, IDOK, m_strYes);
    DDX_Text(pDX, IDCANCEL, m_strNo);
    DDX_Text(pDX, IDC_AYS_DONT_ASK, m_strCheck);
}

BOOL CDlgAreYouSure::OnInitDialog()
{
    m_strTitle = GetLangString(IDS_AYS_TITLE, L"Alert");
    m_strCheck = GetLangString(IDS_AYS_DONT_ASK, L"Don't ask again");
    if (!m_bCustomMessage) {
        if (m_nKind == -1 && m_bSeveralNotes)
            m_strMessage = GetLangString(IDS_AYS_NOTES, L"Are you sure you want to delete these notes?");
        else if (m_nKind == -1)
            m_strMessage = GetLangString(IDS_AYS_NOTE, L"Are you sure you want to delete this note?");
        else if (m_nKind == 4)
            m_strMessage = GetLangString(IDS_AYS_TAG, L"Are you sure you want to delete this tag?");
        else if (m_nKind == 6)
            m_strMessage = GetLangString(IDS_AYS_SEARCH, L"Are you sure you want to delete this search folder?");
        else
            m_strMessage = GetLangString(IDS_AYS_FOLDER, L"Are you sure you want to delete this folder?");
    }
    m_strYes = GetLangString(IDS_YES, L"    Yes    ");
    m_strNo = GetLangString(IDS_NO, L"    No     ");

    BOOL result = CDialogExt::OnInitDialog();
    CRect win;
    GetWindowRect(&win);
    SetupRegion(win.Width(), win.Height());
    SetSkin(DefaultDialogSkin);
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, (WPARAM)m_fontCaption.GetSafeHandle(), 1);

    // The question sizes itself to its text and is centred.
    CRect text(0, 0, 0, 0);
    {
        CClientDC dc(&m_stMessage);
        CFont* old = dc.SelectObject(&m_fontCaption);
        dc.DrawText(m_strMessage, &text, DT_CALCRECT | DT_NOPREFIX);
        dc.SelectObject(old);
    }
    m_stMessage.SetWindowPos(nullptr, 0, 50, text.Width(), text.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    CenterControl(&m_stMessage, 0);

    m_chkDontAsk.setType(LWButton::TypeCheckBox);
    m_chkDontAsk.setBgColor(RGB(255, 255, 255));
    m_chkDontAsk.setTextStyle(LWButton::TextLeft);
    m_chkDontAsk.SizeToText(0);
    CRect rc;
    m_chkDontAsk.GetWindowRect(&rc);
    m_chkDontAsk.SetWindowPos(nullptr, 0, 115, rc.Width(), rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    CenterControl(&m_chkDontAsk, 10);

    CRect client;
    GetClientRect(&client);
    m_btnYes.GetWindowRect(&rc);
    m_btnYes.SetWindowPos(nullptr, client.Width() / 2 - rc.Width() - 5, 80, 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_btnNo.SetWindowPos(nullptr, client.Width() / 2 + 5, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return result;
}

void CDlgAreYouSure::OnOK()
{
    if (m_pDontAsk)
        *m_pDontAsk = m_chkDontAsk.isChecked() ? 1 : 0;
    if (void (*save)() = s_pfnSaveOptions)
        save();
    CDialogExt::OnOK();
}

BOOL CDlgAreYouSure::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG) {
        // One white brush for the life of the process.
        static HBRUSH white = ::CreateSolidBrush(RGB(255, 255, 255));
        ::SetBkColor((HDC)wParam, RGB(255, 255, 255));
        *pResult = (LRESULT)white;
        return TRUE;
    }
    return CDialogExt::OnWndMsg(message, wParam, lParam, pResult);
}
