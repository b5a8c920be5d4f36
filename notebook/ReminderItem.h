// One reminder of the notebook's reminder list.
#pragma once
#include "Framework.h"
#include "DbRecords.h"

namespace Pelora {

class CReminderItem {
public:
    CReminderItem() {}
    virtual ~CReminderItem() {}
    DB::CItemReminder& GetRecord() { return m_rec; }
    const DB::CItemReminder& GetRecord() const { return m_rec; }
    // time_initial in local time: "d/m/yyyy  HH:MM" in Russian, "m-d-yyyy  hh:MM AM/PM" else.
    CString FormatTime() const;
    static CString FormatTime(int t, int language);

private:
    DB::CItemReminder m_rec;
};

} // namespace Pelora
