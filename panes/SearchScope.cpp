#include "SearchScope.h"
#include "PanesIds.h"
#include "StringTable.h"

CDlgSearchNotes::CDlgSearchNotes(CWnd* pParent) : CDialog(IDD_SEARCH_NOTES, pParent), m_pNotebook(Pelora::GetNotebook())
{
    m_font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, RUSSIAN_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

BOOL CDlgSearchNotes::Create(CWnd* pParent)
{
    return CDialog::Create(IDD_SEARCH_NOTES, pParent);
}

void CDlgSearchNotes::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SCOPE_TREE, m_tree);
    DDX_Control(pDX, IDC_SCOPE_ALL, m_rdAll);
    DDX_Control(pDX, IDC_SCOPE_SPECIFIED, m_rdSpecified);
    DDX_Control(pDX, IDC_SCOPE_TITLES, m_rdTitles);
}

void CDlgSearchNotes::UpdateTexts()
{
    if (!GetSafeHwnd())
        return;
    m_rdAll.SetWindowText(GetLangString(IDS_SCOPE_ALL, L"Search in all folders"));
    m_rdSpecified.SetWindowText(GetLangString(IDS_SCOPE_SPECIFIED, L"Search in specified folders"));
}

BOOL CDlgSearchNotes::OnInitDialog()
{
    CDialog::OnInitDialog();
    for (LWButton* radio : {&m_rdAll, &m_rdSpecified, &m_rdTitles}) {
        radio->setType(LWButton::TypeRadio);
        radio->setTextStyle(LWButton::TextLeft);
        radio->setBgColor(Background);
        radio->SetFont(&m_font);
        CRect rc;
        radio->GetWindowRect(&rc);
        ScreenToClient(&rc);
        radio->SetWindowPos(nullptr, 9, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_rdTitles.ShowWindow(SW_HIDE);
    // The check boxes are asked for once the tree exists, as the common control wants it.
    m_tree.ModifyStyle(0, TVS_CHECKBOXES);
    m_tree.SendMessage(TVM_SETITEMHEIGHT, 20, 0);
    m_tree.SetFont(&m_font);
    UpdateTexts();
    UpdateControls();
    return TRUE;
}

void CDlgSearchNotes::SetScope(int scope)
{
    m_nScope = scope;
    if (GetSafeHwnd())
        UpdateControls();
}

void CDlgSearchNotes::UpdateControls()
{
    const bool specified = m_nScope == ScopeSpecified;
    m_tree.SendMessage(TVM_SETBKCOLOR, 0, (LPARAM)(specified ? RGB(255, 255, 255) : Background));
    m_tree.EnableWindow(specified);
    m_rdAll.SetCheck(m_nScope == ScopeAll);
    m_rdSpecified.SetCheck(specified);
    m_rdTitles.SetCheck(m_nScope == ScopeTitles);
    m_rdAll.Invalidate();
    m_rdSpecified.Invalidate();
}

BOOL CDlgSearchNotes::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_SCOPE_ALL: SetScope(ScopeAll); return TRUE;
        case IDC_SCOPE_SPECIFIED: SetScope(ScopeSpecified); return TRUE;
        case IDC_SCOPE_TITLES: SetScope(ScopeTitles); return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CDlgSearchNotes::AddChildren(Pelora::CFolderItem* folder, HTREEITEM parent)
{
    if (!folder || !m_pNotebook)
        return;
    const std::vector<CString> ids = folder->GetChildIds();  // a copy: the walk must not see edits
    for (const CString& id : ids) {
        if (id == L"trash" || id == L"usr_folder")
            continue;
        Pelora::CFolderItem* child = m_pNotebook->FindFolder(id);
        if (!child || child->GetType() == Pelora::FolderTrash || m_pNotebook->IsRemovedFolder(child))
            continue;
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT | TVIF_PARAM, child->GetName() + L"    ", 0, 0, 0, 0,
                                           (LPARAM)child->GetItemId(), parent, TVI_LAST);
        AddChildren(child, item);
    }
}

void CDlgSearchNotes::FillFolderTree()
{
    if (!m_tree.GetSafeHwnd())
        return;
    m_tree.DeleteAllItems();
    if (!m_pNotebook)
        return;
    if (Pelora::CFolderItem* def = m_pNotebook->FindFolder(L"default")) {
        HTREEITEM item = m_tree.InsertItem(TVIF_TEXT | TVIF_PARAM, def->GetName() + L"    ", 0, 0, 0, 0,
                                           (LPARAM)def->GetItemId(), TVI_ROOT, TVI_LAST);
        AddChildren(def, item);
    }
    AddChildren(m_pNotebook->FindFolder(L"usr_folder"), TVI_ROOT);
}

HTREEITEM CDlgSearchNotes::FindItem(const std::function<bool(HTREEITEM)>& visit) const
{
    if (!m_tree.GetSafeHwnd())
        return nullptr;
    std::function<HTREEITEM(HTREEITEM)> walk = [&](HTREEITEM item) -> HTREEITEM {
        for (; item; item = m_tree.GetNextItem(item, TVGN_NEXT)) {
            if (visit(item))
                return item;
            if (HTREEITEM found = walk(m_tree.GetNextItem(item, TVGN_CHILD)))
                return found;
        }
        return nullptr;
    };
    return walk(m_tree.GetNextItem(nullptr, TVGN_ROOT));
}

void CDlgSearchNotes::UncheckFolder(int folderItemId)
{
    // Anywhere in the tree: a chip of a sub-folder must be removable too.
    if (HTREEITEM item = FindItem([&](HTREEITEM i) { return (int)m_tree.GetItemData(i) == folderItemId; }))
        m_tree.SetCheck(item, FALSE);
}

std::vector<int> CDlgSearchNotes::GetCheckedFolders() const
{
    std::vector<int> ids;
    FindItem([&](HTREEITEM item) {
        if (m_tree.GetCheck(item))
            ids.push_back((int)m_tree.GetItemData(item));
        return false;
    });
    if (!ids.empty())
        ids.push_back(0);
    return ids;
}

void CDlgSearchNotes::HideAndTell()
{
    // Only a drop-down that was showing tells its owner: a second deactivation (the system's
    // after a test's or the owner's own) must not run the owner's layout twice.
    if (!GetSafeHwnd() || !(GetStyle() & WS_VISIBLE))
        return;
    ShowWindow(SW_HIDE);
    if (m_onHide)
        m_onHide();
}

BOOL CDlgSearchNotes::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            CDialog::OnWndMsg(message, wParam, lParam, pResult);
            HideAndTell();
            return TRUE;
        }
        break;
    case WM_SIZE:
        if (m_tree.GetSafeHwnd()) {
            CRect rc;
            m_tree.GetWindowRect(&rc);
            ScreenToClient(&rc);
            const int cx = LOWORD(lParam), cy = HIWORD(lParam);
            m_tree.SetWindowPos(nullptr, 1, rc.top, std::max(0, cx - 2), std::max(0, cy - (int)rc.top - 5),
                                SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    case WM_ERASEBKGND: {
        // The background, a frame and two separators: above the bottom and at the tree's top.
        HDC dc = (HDC)wParam;
        CRect client;
        GetClientRect(&client);
        CDC* cdc = CDC::FromHandle(dc);
        cdc->FillSolidRect(&client, Background);
        CBrush frame(FramePen);
        cdc->FrameRect(&client, &frame);
        int treeTop = client.top;
        if (m_tree.GetSafeHwnd()) {
            CRect rc;
            m_tree.GetWindowRect(&rc);
            ScreenToClient(&rc);
            treeTop = rc.top - 1;
        }
        cdc->FillSolidRect(1, client.bottom - 6, client.Width() - 2, 1, Separator);
        cdc->FillSolidRect(1, treeTop, client.Width() - 2, 1, Separator);
        *pResult = TRUE;
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: {
        static HBRUSH brush = ::CreateSolidBrush(Background);  // one for the life of the process
        ::SetBkColor((HDC)wParam, Background);
        *pResult = (LRESULT)brush;
        return TRUE;
    }
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}
