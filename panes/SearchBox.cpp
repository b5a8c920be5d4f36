#include "SearchBox.h"
#include "FolderItem.h"
#include "PanesIds.h"
#include "StringTable.h"
#include "TagList.h"

CWndSearch::CWndSearch() : m_pNotebook(Pelora::GetNotebook())
{
    m_fontEdit.CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, 0, 0, 0, 0, L"Tahoma");
    m_onSearch = [this](const std::vector<int>& folders, const CString& query) {
        if (!m_pNotebook)
            return;
        Pelora::CSavedSearchItem* item = m_pNotebook->FindSearchByQuery(query);
        if (!item)
            item = m_pNotebook->AddSearchItem(query);
        if (item)
            m_pNotebook->RunSearch(item, folders.empty() ? nullptr : folders.data(), query);
    };
}

CWndSearch::~CWndSearch()
{
    if (m_scope.GetSafeHwnd())
        m_scope.DestroyWindow();
}

BOOL CWndSearch::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW)), L"", style | WS_CLIPCHILDREN,
                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent->GetSafeHwnd(),
                  (HMENU)(UINT_PTR)id))
        return FALSE;
    m_fontChip.CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Tahoma");
    m_bmpButtons.LoadBitmap(IDB_SEARCH_BUTTONS);
    m_edit.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, CRect(3, 2, 100, 25), this, IDC_SEARCH_EDIT);
    m_edit.SetFont(&m_fontEdit);
    CRect client;
    GetClientRect(&client);
    m_edit.SetWindowPos(nullptr, 0, 0, std::max(0, client.Width() - 55), std::max(0, client.Height() - 3),
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    OnChangedLanguage();
    return TRUE;
}

void CWndSearch::OnChangedLanguage()
{
    m_scope.UpdateTexts();
    m_strCue = GetLangString(IDS_SEARCH_CUE, L"Enter Search. Use tag:tagname for search in tags.");
    m_edit.m_strCue = m_strCue;
    if (m_edit.GetSafeHwnd())
        m_edit.Invalidate();
}

void CWndSearch::RunSearch()
{
    const int scope = m_scope.GetScope();
    if (scope != CDlgSearchNotes::ScopeAll && scope != CDlgSearchNotes::ScopeSpecified)
        return;
    CString text;
    m_edit.GetWindowText(text);
    text.Trim();
    if (text.GetLength() >= 4 && text.Left(4) == L"tag:") {
        CString name = text.Mid(4);
        name.Trim();
        Pelora::CTagItem* tag = name.IsEmpty() || !m_pNotebook ? nullptr : m_pNotebook->GetTagList()->FindByName(name);
        if (tag && m_onTag)
            m_onTag(tag);
        return;  // the focus stays where it is
    }
    if (!text.IsEmpty() && m_onSearch) {
        std::vector<int> folders;
        if (scope == CDlgSearchNotes::ScopeSpecified)
            folders = m_scope.GetCheckedFolders();
        m_onSearch(folders, text);
    }
    m_edit.SetFocus();
}

void CWndSearch::LayoutChips()
{
    m_chips.clear();
    CRect client;
    GetClientRect(&client);
    int x = 4;
    if (m_scope.GetScope() == CDlgSearchNotes::ScopeSpecified && m_pNotebook) {
        CClientDC dc(this);
        CFont* old = dc.SelectObject(&m_fontChip);
        for (int id : m_scope.GetCheckedFolders()) {
            if (!id || (int)m_chips.size() >= MaxChips)
                break;
            Pelora::CFolderItem* folder = m_pNotebook->FindFolderByItemId(id);
            if (!folder)
                continue;
            Chip chip;
            chip.text = L"  " + folder->GetName();
            chip.folderItemId = id;
            const int w = dc.GetTextExtent(chip.text).cx + 16;
            chip.rect = CRect(x, 3, x + w, std::max(3, (int)client.Height() - 3));
            if (chip.rect.right + 2 > client.Width() - 130)
                break;
            m_chips.push_back(chip);
            x = chip.rect.right + 2;
        }
        dc.SelectObject(old);
    }
    if (m_chips.empty())
        m_scope.SetScope(CDlgSearchNotes::ScopeAll);
    if (m_edit.GetSafeHwnd()) {
        // From the chips to 52 pixels before the right edge, where the buttons begin.
        CRect rc;
        m_edit.GetWindowRect(&rc);
        ScreenToClient(&rc);
        const int right = std::max(x, (int)client.right - 52);
        m_edit.SetWindowPos(nullptr, x, rc.top, right - x, rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate();
}

void CWndSearch::ToggleScope()
{
    if (!m_scope.GetSafeHwnd()) {
        m_scope.m_pNotebook = m_pNotebook;
        if (!m_scope.Create(this))
            return;
    }
    m_scope.m_onHide = [this] { LayoutChips(); };
    if (m_scope.GetStyle() & WS_VISIBLE) {
        m_scope.ShowWindow(SW_HIDE);
        return;
    }
    m_scope.FillFolderTree();
    CRect box;
    GetWindowRect(&box);
    ::SetWindowPos(m_scope.m_hWnd, HWND_TOP, box.left, box.bottom - 1, box.Width(), 220, SWP_SHOWWINDOW);
    m_scope.SetFocus();
}

void CWndSearch::Paint(CDC* dc)
{
    CRect client;
    GetClientRect(&client);
    dc->FillSolidRect(&client, RGB(255, 255, 255));
    CBrush frame(RGB(0xB2, 0xB2, 0xB2));
    dc->FrameRect(&client, &frame);
    CDC mem;
    mem.CreateCompatibleDC(dc);
    HGDIOBJ old = m_bmpButtons.GetSafeHandle() ? ::SelectObject(mem.GetSafeHdc(), m_bmpButtons.GetSafeHandle()) : nullptr;
    const int r = client.right;
    auto blit = [&](int x, int srcX, int w) {
        if (old)
            dc->TransparentBlt(x, 1, w, 20, &mem, srcX, 2, w, 20, RGB(255, 0, 0));
    };
    blit(r - 32, 64, 16);
    m_rcSearch = CRect(r - 32, 1, r - 16, 23);
    blit(r - 16, 80, 15);
    m_rcScope = CRect(r - 16, 1, r, 23);
    if (m_edit.GetSafeHwnd() && m_edit.GetWindowTextLength() > 0) {
        blit(r - 48, 48, 16);
        m_rcClear = CRect(r - 48, 0, r - 32, 23);
    } else {
        dc->FillSolidRect(r - 48, 1, 16, 20, RGB(255, 255, 255));
        m_rcClear.SetRectEmpty();
    }
    CFont* oldFont = dc->SelectObject(&m_fontChip);
    int mode = dc->SetBkMode(TRANSPARENT);
    for (const Chip& chip : m_chips) {
        // The chip's frame stretched from the picture, its text, and the close cross at the right.
        if (old) {
            const int h = chip.rect.Height();
            dc->TransparentBlt(chip.rect.left, chip.rect.top, 6, h, &mem, 0, 2, 6, 20, RGB(255, 0, 0));
            dc->TransparentBlt(chip.rect.left + 6, chip.rect.top, chip.rect.Width() - 12, h, &mem, 6, 2, 35, 20,
                               RGB(255, 0, 0));
            dc->TransparentBlt(chip.rect.right - 6, chip.rect.top, 6, h, &mem, 41, 2, 6, 20, RGB(255, 0, 0));
        }
        CRect text(chip.rect.left, chip.rect.top, chip.rect.right - 14, chip.rect.bottom);
        dc->SetTextColor(RGB(40, 60, 90));
        dc->DrawText(chip.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        const int cx = chip.rect.right - 9, cy = chip.rect.CenterPoint().y;
        CPen pen(PS_SOLID, 1, RGB(0x8A, 0x8F, 0x99));
        CPen* oldPen = dc->SelectObject(&pen);
        dc->MoveTo(cx - 3, cy - 3);
        dc->LineTo(cx + 4, cy + 4);
        dc->MoveTo(cx + 3, cy - 3);
        dc->LineTo(cx - 4, cy + 4);
        dc->SelectObject(oldPen);
    }
    dc->SetBkMode(mode);
    dc->SelectObject(oldFont);
    if (old)
        ::SelectObject(mem.GetSafeHdc(), old);
}

BOOL CWndSearch::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_PAINT: {
        CPaintDC dc(this);
        Paint(&dc);
        *pResult = 0;
        return TRUE;
    }
    case WM_ERASEBKGND:
        *pResult = TRUE;
        return TRUE;
    case WM_SIZE:
        if (m_edit.GetSafeHwnd()) {
            // The edit ends 52 pixels before the right edge (cx - 55 wide from x 3), also when
            // chips moved its start: the buttons stay uncovered.
            CRect rc;
            m_edit.GetWindowRect(&rc);
            ScreenToClient(&rc);
            m_edit.SetWindowPos(nullptr, 0, 0, std::max(0, (int)LOWORD(lParam) - 52 - (int)rc.left),
                                std::max(0, (int)HIWORD(lParam) - 3), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (!m_chips.empty())
                LayoutChips();
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* nm = (const NMHDR*)lParam;
        if (nm && nm->hwndFrom == m_edit.GetSafeHwnd() && nm->code == LWEN_ENTER) {
            RunSearch();
            *pResult = 0;
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        if ((HWND)lParam == m_edit.GetSafeHwnd() && m_edit.GetSafeHwnd()) {
            if (HIWORD(wParam) == EN_CHANGE)
                Invalidate(FALSE);  // the clear button shows only with text
            else if (HIWORD(wParam) == LWEN_DBLCLK)
                m_edit.SetSel(0, -1);
            *pResult = 0;
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN: {
        Default();
        const CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
        if (m_rcClear.PtInRect(pt)) {
            m_edit.SetWindowText(L"");
            Invalidate(FALSE);
        } else if (m_rcSearch.PtInRect(pt)) {
            RunSearch();
        } else if (m_rcScope.PtInRect(pt)) {
            ToggleScope();
        } else {
            for (const Chip& chip : m_chips)
                if (chip.rect.PtInRect(pt) && pt.x >= chip.rect.right - 16) {
                    m_scope.UncheckFolder(chip.folderItemId);
                    LayoutChips();
                    break;
                }
        }
        *pResult = 0;
        return TRUE;
    }
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}
