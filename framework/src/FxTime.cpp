// CTime through the Win32 time-zone functions (thread-safe, no C runtime time-zone state).
#include "Framework.h"

namespace {
const LONGLONG kEpochTicks = 116444736000000000LL;  // 1601-01-01 to 1970-01-01 in 100 ns

FILETIME ToFileTime(__time64_t t) {
  ULARGE_INTEGER u;
  u.QuadPart = (ULONGLONG)(t * 10000000LL + kEpochTicks);
  FILETIME ft;
  ft.dwLowDateTime = u.LowPart;
  ft.dwHighDateTime = u.HighPart;
  return ft;
}

__time64_t FromFileTime(const FILETIME& ft) {
  ULARGE_INTEGER u;
  u.LowPart = ft.dwLowDateTime;
  u.HighPart = ft.dwHighDateTime;
  return ((LONGLONG)u.QuadPart - kEpochTicks) / 10000000LL;
}

__time64_t FromLocal(const SYSTEMTIME& local) {
  SYSTEMTIME utc;
  FILETIME ft;
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return -1;
  return FromFileTime(ft);
}

struct tm ToTm(const SYSTEMTIME& st) {
  struct tm r = {};
  r.tm_year = st.wYear - 1900;
  r.tm_mon = st.wMonth - 1;
  r.tm_mday = st.wDay;
  r.tm_hour = st.wHour;
  r.tm_min = st.wMinute;
  r.tm_sec = st.wSecond;
  r.tm_wday = st.wDayOfWeek;
  SYSTEMTIME jan1 = st;
  jan1.wMonth = 1;
  jan1.wDay = 1;
  FILETIME a, b;
  SystemTimeToFileTime(&st, &a);
  SystemTimeToFileTime(&jan1, &b);
  r.tm_yday = (int)((FromFileTime(a) - FromFileTime(b)) / 86400);
  r.tm_isdst = -1;
  return r;
}

SYSTEMTIME Utc(__time64_t t) {
  FILETIME ft = ToFileTime(t);
  SYSTEMTIME st = {};
  FileTimeToSystemTime(&ft, &st);
  return st;
}

CString FormatTm(const struct tm& t, LPCTSTR format) {
  if (!format || !*format) return CString();
  for (size_t size = 256; size <= 65536; size *= 4) {
    CString out;
    size_t n = wcsftime(out.GetBuffer((int)size), size, format, &t);
    out.ReleaseBuffer((int)n);
    if (n > 0) return out;
  }
  return CString();
}
}  // namespace

CTime::CTime(int year, int month, int day, int hour, int minute, int second, int) {
  SYSTEMTIME st = {};
  st.wYear = (WORD)year;
  st.wMonth = (WORD)month;
  st.wDay = (WORD)day;
  st.wHour = (WORD)hour;
  st.wMinute = (WORD)minute;
  st.wSecond = (WORD)second;
  m_time = FromLocal(st);
}

CTime::CTime(const SYSTEMTIME& local, int) : m_time(FromLocal(local)) {}

CTime::CTime(const FILETIME& utc, int) : m_time(FromFileTime(utc)) {}

CTime CTime::GetCurrentTime() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return CTime(FromFileTime(ft));
}

SYSTEMTIME CTime::Local() const {
  SYSTEMTIME utc = Utc(m_time), local = utc;
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  return local;
}

BOOL CTime::GetAsFileTime(FILETIME& utc) const {
  utc = ToFileTime(m_time);
  return TRUE;
}

struct tm* CTime::GetLocalTm(struct tm* out) const {
  if (out) *out = ToTm(Local());
  return out;
}

struct tm* CTime::GetGmtTm(struct tm* out) const {
  if (out) *out = ToTm(Utc(m_time));
  return out;
}

CString CTime::Format(LPCTSTR format) const { return FormatTm(ToTm(Local()), format); }
CString CTime::FormatGmt(LPCTSTR format) const { return FormatTm(ToTm(Utc(m_time)), format); }
