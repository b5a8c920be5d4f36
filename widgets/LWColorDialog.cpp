#include "LWColorDialog.h"

IMPLEMENT_DYNAMIC(LWColorDialog, CColorDialog)

LWColorDialog::LWColorDialog(COLORREF initial, DWORD flags, CWnd* parent)
    : CColorDialog(initial, flags, parent)
{
}
