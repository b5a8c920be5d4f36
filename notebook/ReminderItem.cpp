#include "ReminderItem.h"
#include "StringTable.h"
#include <ctime>
#include <algorithm>
#include <cstdint>

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

namespace Pelora {

namespace {

int DaysInMonth(int year, int month)  // month 0-11
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 1 && leap ? 29 : kDays[month];
}

// The k-th occurrence after the initial local time, or -1.
int64_t Occurrence(const struct tm& start, int repeat, int64_t k)
{
    struct tm t = start;
    if (repeat == DB::Repeat1Day || repeat == DB::Repeat1Week) {
        t.tm_mday += (int)(k * (repeat == DB::Repeat1Day ? 1 : 7));
    } else {
        int64_t months = repeat == DB::Repeat1Month ? k : 12 * k;
        int64_t total = (int64_t)start.tm_mon + months;
        t.tm_year = start.tm_year + (int)(total / 12);
        t.tm_mon = (int)(total % 12);
        t.tm_mday = std::min(start.tm_mday, DaysInMonth(t.tm_year + 1900, t.tm_mon));
    }
    t.tm_isdst = -1;
    time_t r = mktime(&t);
    return r == (time_t)-1 ? -1 : (int64_t)r;
}

} // namespace

int NextReminderRun(const DB::CItemReminder& rec, int now)
{
    int repeat = rec.repeat;
    int64_t run = rec.time_to_run;
    if (repeat == DB::Repeat30Min || repeat == DB::Repeat1Hour) {
        if (run <= now)
            run += ((int64_t)now - run) / repeat * repeat + repeat;
        return (int)run;
    }
    if (repeat != DB::Repeat1Day && repeat != DB::Repeat1Week && repeat != DB::Repeat1Month &&
        repeat != DB::Repeat1Year)
        return (int)run;
    time_t initial = (time_t)(rec.time_initial ? rec.time_initial : rec.time_to_run);
    struct tm start = {};
    if (localtime_s(&start, &initial) != 0)
        return (int)run;
    // a guess of the step count a little short of now, then forward one step at a time
    int64_t approx = repeat == DB::Repeat1Day ? 86400 : repeat == DB::Repeat1Week ? 604800
                     : repeat == DB::Repeat1Month ? 2419200 : 31536000;
    int64_t k = std::max<int64_t>(1, ((int64_t)now - (int64_t)initial) / approx - 2);
    for (int guard = 0; guard < 100000; ++guard, ++k) {
        int64_t t = Occurrence(start, repeat, k);
        if (t < 0)
            break;
        if (t > now && t > rec.time_to_run)
            return (int)t;
    }
    return (int)run;
}

} // namespace Pelora
