// CDlgSearchNotes: the drop-down under the search box where the user chooses where a search
// looks: every folder, or the folders ticked in a tree. A modeless dialog that hides itself
// when it loses the activation and then tells its owner.
#pragma once
#include "Framework.h"
#include "LWButton.h"
#include "Notebook.h"
#include <functional>
#include <vector>

class CDlgSearchNotes : public CDialog {
public:
    enum Scope { ScopeTitles = 0, ScopeAll = 1, ScopeSpecified = 2 };
    static constexpr COLORREF Background = RGB(0xF1, 0xF2, 0xF5);  // 0xF5F2F1
    static constexpr COLORREF FramePen = RGB(0xB2, 0xB2, 0xB2);
    static constexpr COLORREF Separator = RGB(0xC4, 0xCA, 0xDA);  // 0xDACAC4

    explicit CDlgSearchNotes(CWnd* pParent = nullptr);
    BOOL Create(CWnd* pParent);

    void UpdateTexts();
    int GetScope() const { return m_nScope; }
    void SetScope(int scope);
    void FillFolderTree();
    // Unticks the item of that folder, at whatever depth it lies.
    void UncheckFolder(int folderItemId);
    // The ticked folders' ids in tree order, ended by 0; empty when none is ticked.
    std::vector<int> GetCheckedFolders() const;

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override {}      // Enter and Esc do not end a drop-down
    void OnCancel() override { HideAndTell(); }

    Pelora::CNotebook* m_pNotebook;  // the program's notebook unless a test gives another
    std::function<void()> m_onHide;  // set by the search box before each showing
    int m_nScope = ScopeAll;
    CTreeCtrl m_tree;
    LWButton m_rdAll, m_rdSpecified, m_rdTitles;
    CFont m_font;

protected:
    void UpdateControls();
    void AddChildren(Pelora::CFolderItem* folder, HTREEITEM parent);
    // Visits the tree's items depth first in tree order; the first one `visit` accepts (or null).
    HTREEITEM FindItem(const std::function<bool(HTREEITEM)>& visit) const;
    void HideAndTell();
};
