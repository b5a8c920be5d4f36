// The framework's colour chooser under the library's name: no fields or handlers of its own.
#pragma once
#include "Framework.h"
#include "LWExport.h"

class LWAPI LWColorDialog : public CColorDialog {
    DECLARE_DYNAMIC(LWColorDialog)
public:
    // All three go to CColorDialog; run it modally, then read GetColor().
    explicit LWColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
};
