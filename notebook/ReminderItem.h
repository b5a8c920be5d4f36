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

// The next run of a repeating reminder after now, counted from time_initial in local calendar
// terms: a daily or weekly reminder keeps its wall-clock time across a daylight-saving change,
// a monthly one on the 31st runs on the last day of shorter months, a yearly one of 29 February
// on the 28th in other years. Half-hourly and hourly ones step in seconds. A reminder that does
// not repeat keeps its time.
int NextReminderRun(const DB::CItemReminder& rec, int now);



} // namespace Pelora
