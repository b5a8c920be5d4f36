// CWndSearch: the search field above the note list: an edit with a cue text, a clear button,
// a search button and a scope button at the right, and one removable chip per folder of the
// search scope at the left. Enter or the search button runs the query: "tag:name" jumps to
// that tag; anything else becomes a saved search, limited to the chosen folders.
#pragma once
#include "Framework.h"
#include "LWEdit.h"
#include "Notebook.h"
#include "SearchScope.h"
#include <functional>
#include <vector>

class CWndSearch : public CWnd {
public:
    struct Chip {
        CRect rect;
        CString text;
        int folderItemId;
    };
    enum { MaxChips = 10 };

    CWndSearch();
    ~CWndSearch() override;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void OnChangedLanguage();
    void RunSearch();
    void LayoutChips();
    // The drop-down (created on first use) and its toggling by the scope button.
    void ToggleScope();

    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    void Paint(CDC* dc);

    // What a search does; the catalogue pane sets these. By default a query becomes (or reuses)
    // a saved search of the notebook, and a tag is left to the caller.
    std::function<void(Pelora::CTagItem*)> m_onTag;
    std::function<void(const std::vector<int>& folders, const CString& query)> m_onSearch;

    Pelora::CNotebook* m_pNotebook;
    LWEdit m_edit;
    CFont m_fontEdit, m_fontChip;
    CBitmap m_bmpButtons;
    CString m_strCue;
    CDlgSearchNotes m_scope;
    std::vector<Chip> m_chips;  // freed with the box
    CRect m_rcClear, m_rcSearch, m_rcScope;
};
