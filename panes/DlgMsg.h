// The program's message box (CDlgMsg) and its delete/confirm question (CDlgAreYouSure), both
// small modal dialogs on the skinned dialog base, made on the stack, filled and run.
#pragma once
#include "DialogExt.h"
#include "LWButton.h"

// One extra picture of a message box, owned by the caller for the length of DoModal.
struct MsgPicture {
    int kind;  // 1 = bitmap; other kinds are skipped
    HBITMAP bitmap;
    RECT dest;
};

class CDlgMsg : public CDialogExt {
public:
    // One button (bButtons false) or two (true); bBeside puts the single button beside the text.
    // The flags are bool so that a call with two string ids, CDlgMsg(parent, 901, 902), picks
    // the constructor below: with int flags it silently made a pair with the template's texts.
    CDlgMsg(CWnd* pParent = nullptr, bool bButtons = false, bool bBeside = false);
    // Two buttons below the text, captions from the string table (fallbacks "Yes" and "No").
    CDlgMsg(CWnd* pParent, int firstTextId, int secondTextId);

    BOOL OnInitDialog() override;
    void DrawContent(CDC* dc) override;
    void DoDataExchange(CDataExchange* pDX) override;

    CString m_strMessage;
    CBitmap m_bmpIcon;  // 48 x 48, pure red transparent; attached by the caller
    CImageList m_imgIcon;
    LWButton m_btnFirst;
    LWButton m_btnSecond;
    MsgPicture* m_pPictures = nullptr;
    int m_nPictures = 0;
    CString m_strFirst;
    CString m_strSecond;
    int m_nButtons = 0;
    int m_bBeside = 0;
};

class CDlgAreYouSure : public CDialogExt {
public:
    // pDontAsk: the option that "Don't ask again" writes on Yes (null: nothing is written).
    explicit CDlgAreYouSure(CWnd* pParent = nullptr, int* pDontAsk = nullptr);

    void SetCustomMessage(const CString& text);
    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    // Saves every setting after Yes wrote "Don't ask again". The options object does not exist
    // yet when the first dialogs can run, so the dialog reaches it through this hook: the
    // options object sets it when it is created and clears it before it goes (SaveOptionsHook
    // does both for a scope). Null: nothing is saved, the flag is still written. Set and called
    // on the UI thread only; the dialog reads it once per Yes, so a hook cleared by the save
    // itself is harmless.
    static void (*s_pfnSaveOptions)();
    // Sets the hook for its lifetime and puts back the previous one.
    class SaveOptionsHook {
    public:
        explicit SaveOptionsHook(void (*save)()) : m_previous(s_pfnSaveOptions) { s_pfnSaveOptions = save; }
        ~SaveOptionsHook() { s_pfnSaveOptions = m_previous; }
        SaveOptionsHook(const SaveOptionsHook&) = delete;
        SaveOptionsHook& operator=(const SaveOptionsHook&) = delete;

    private:
        void (*m_previous)();
    };

    int m_bCustomMessage = 0;
    int* m_pDontAsk = nullptr;
    int m_bSeveralNotes = 0;
    int m_nKind = -1;  // -1 note(s), 4 tag, 6 search folder, anything else a folder
    LWButton m_chkDontAsk;
    LWButton m_btnNo;
    LWButton m_btnYes;
    CStatic m_stMessage;
    CString m_strMessage, m_strYes, m_strNo, m_strCheck;
};
