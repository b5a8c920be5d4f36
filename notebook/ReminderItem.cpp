#include "ReminderItem.h"
#include "StringTable.h"
#include <ctime>

namespace Pelora {


CString CReminderItem::FormatTime() const
{
    return FormatTime(m_rec.time_initial, CStringTable::Instance()->GetLanguage());
}

CString CReminderItem::FormatTime(int t, int language)
{
    time_t tt = (time_t)t;
    struct tm local = {};
    CString text;
    if (localtime_s(&local, &tt) != 0)
        return text;
    if (language == 25) {
        text.Format(L"%d/%d/%d  %02d:%02d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour,
                    local.tm_min);
    } else {
        int hour = local.tm_hour > 12 ? local.tm_hour - 12 : local.tm_hour;
        text.Format(L"%d-%d-%d  %02d:%02d %s", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, hour,
                    local.tm_min, local.tm_hour > 11 ? L"PM" : L"AM");
    }
    return text;
}

} // namespace Pelora
