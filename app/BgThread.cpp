#include "BgThread.h"
#include "Notebook.h"
#include "ActivityLog.h"

namespace PeloraShell {

IMPLEMENT_DYNCREATE(CBgThread, CWinThread)

BEGIN_MESSAGE_MAP(CBgThread, CWinThread)
    ON_THREAD_MESSAGE(WM_USER + 0x50, OnNoteLoadPreview)
END_MESSAGE_MAP()

bool (*CBgThread::s_isRowVisible)(int) = nullptr;
void (*CBgThread::s_redrawRow)(int) = nullptr;

CBgThread::CBgThread() {}
CBgThread::~CBgThread() {}

BOOL CBgThread::InitInstance() { return TRUE; }
int CBgThread::ExitInstance() { return CWinThread::ExitInstance(); }

void CBgThread::LoadPreview(WPARAM row, LPARAM noteItemId)
{
    PostThreadMessage(WM_USER + 0x50, row, noteItemId);
}

void CBgThread::OnNoteLoadPreview(WPARAM row, LPARAM noteItemId)
{
    int priority = GetThreadPriority();
    SetThreadPriority(THREAD_PRIORITY_ABOVE_NORMAL);
    // a row scrolled out of view by now costs nothing
    if (!s_isRowVisible || s_isRowVisible((int)row)) {
        Pelora::CNotebook* book = Pelora::GetNotebook();
        if (book && book->LoadNotePreview((int)noteItemId) && s_redrawRow)
            s_redrawRow((int)row);
    }
    SetThreadPriority(priority);
}

} // namespace PeloraShell
