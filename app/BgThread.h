// The background preview thread: loads note previews off the UI thread when the note list asks
// (thread message WM_USER+0x50 with the note's row and its item id), one request at a time.
#pragma once
#include "Framework.h"

namespace PeloraShell {

class CBgThread : public CWinThread {
    DECLARE_DYNCREATE(CBgThread)
public:
    CBgThread();
    ~CBgThread() override;
    BOOL InitInstance() override;
    int ExitInstance() override;

    // Posts a request: row of the note list and the note's item id (never a pointer: the note
    // may be unloaded before the request is taken).
    void LoadPreview(WPARAM row, LPARAM noteItemId);

    // Asks whether a row is still visible; null: every row is.
    static bool (*s_isRowVisible)(int row);
    // Redraws a row once its preview is loaded; null: nothing.
    static void (*s_redrawRow)(int row);

protected:
    afx_msg void OnNoteLoadPreview(WPARAM row, LPARAM noteItemId);
    DECLARE_MESSAGE_MAP()
};

} // namespace PeloraShell
