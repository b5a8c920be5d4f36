#include "WidgetDefaults.h"
#include "LWButton.h"
#include "resource.h"

namespace PeloraShell {

void SetWidgetDefaults()
{
    LWButton::s_defBmpStateRes = IDB_BUTTON_STATES;
    if (LWButton::s_defFont.GetSafeHandle())
        LWButton::s_defFont.DeleteObject();
    LOGFONTW font = {};
    font.lfHeight = -12;
    font.lfWeight = 500;
    font.lfCharSet = RUSSIAN_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    wcscpy_s(font.lfFaceName, L"Helvetica");
    LWButton::s_defFont.CreateFontIndirect(&font);
    SkinControl skin = {};
    skin.bmpNormal = IDB_BUTTON_SKIN;
    skin.bmpState = IDB_BUTTON_SKIN_DOWN;
    skin.cx = 73;
    skin.cy = 21;
    skin.rcMargins = RECT{2, 2, 73 - 2, 21 - 2};
    LWButton::s_defSkin = skin;
}

} // namespace PeloraShell
