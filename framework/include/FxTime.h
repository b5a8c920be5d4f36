// CTime (seconds since 1970 UTC, shown in local time) and CTimeSpan. Only what file status and
// file search report; the program's own dates are 32-bit UTC seconds.
#pragma once
#include "FxString.h"
#include <ctime>

// winbase.h makes GetCurrentTime() a macro for GetTickCount(); CTime has its own.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

class CTimeSpan {
 public:
  CTimeSpan() {}
  CTimeSpan(__time64_t seconds) : m_span(seconds) {}
  CTimeSpan(LONG days, int hours, int minutes, int seconds)
      : m_span(((days * 24LL + hours) * 60 + minutes) * 60 + seconds) {}
  LONGLONG GetDays() const { return m_span / 86400; }
  LONGLONG GetTotalHours() const { return m_span / 3600; }
  LONGLONG GetTotalMinutes() const { return m_span / 60; }
  LONGLONG GetTotalSeconds() const { return m_span; }
  LONG GetHours() const { return (LONG)(GetTotalHours() - GetDays() * 24); }
  LONG GetMinutes() const { return (LONG)(GetTotalMinutes() - GetTotalHours() * 60); }
  LONG GetSeconds() const { return (LONG)(m_span - GetTotalMinutes() * 60); }
  __time64_t GetTimeSpan() const { return m_span; }
  CTimeSpan operator+(CTimeSpan s) const { return CTimeSpan(m_span + s.m_span); }
  CTimeSpan operator-(CTimeSpan s) const { return CTimeSpan(m_span - s.m_span); }
  CTimeSpan& operator+=(CTimeSpan s) { m_span += s.m_span; return *this; }
  CTimeSpan& operator-=(CTimeSpan s) { m_span -= s.m_span; return *this; }
  bool operator==(CTimeSpan s) const { return m_span == s.m_span; }
  bool operator!=(CTimeSpan s) const { return m_span != s.m_span; }
  bool operator<(CTimeSpan s) const { return m_span < s.m_span; }
  bool operator>(CTimeSpan s) const { return m_span > s.m_span; }
  bool operator<=(CTimeSpan s) const { return m_span <= s.m_span; }
  bool operator>=(CTimeSpan s) const { return m_span >= s.m_span; }

 private:
  __time64_t m_span = 0;
};

class CTime {
 public:
  CTime() {}
  CTime(__time64_t t) : m_time(t) {}
  // Local date and time; dst is accepted and the time zone rules decide.
  CTime(int year, int month, int day, int hour, int minute, int second, int dst = -1);
  CTime(const SYSTEMTIME& local, int dst = -1);
  CTime(const FILETIME& utc, int dst = -1);
  static CTime GetCurrentTime();

  __time64_t GetTime() const { return m_time; }
  int GetYear() const { return Local().wYear; }
  int GetMonth() const { return Local().wMonth; }
  int GetDay() const { return Local().wDay; }
  int GetHour() const { return Local().wHour; }
  int GetMinute() const { return Local().wMinute; }
  int GetSecond() const { return Local().wSecond; }
  int GetDayOfWeek() const { return Local().wDayOfWeek + 1; }  // 1 = Sunday
  BOOL GetAsSystemTime(SYSTEMTIME& local) const { local = Local(); return TRUE; }
  BOOL GetAsFileTime(FILETIME& utc) const;
  struct tm* GetLocalTm(struct tm* out) const;
  struct tm* GetGmtTm(struct tm* out) const;
  CString Format(LPCTSTR format) const;     // strftime codes, local time
  CString FormatGmt(LPCTSTR format) const;  // strftime codes, UTC

  CTimeSpan operator-(CTime t) const { return CTimeSpan(m_time - t.m_time); }
  CTime operator-(CTimeSpan s) const { return CTime(m_time - s.GetTimeSpan()); }
  CTime operator+(CTimeSpan s) const { return CTime(m_time + s.GetTimeSpan()); }
  CTime& operator+=(CTimeSpan s) { m_time += s.GetTimeSpan(); return *this; }
  CTime& operator-=(CTimeSpan s) { m_time -= s.GetTimeSpan(); return *this; }
  bool operator==(CTime t) const { return m_time == t.m_time; }
  bool operator!=(CTime t) const { return m_time != t.m_time; }
  bool operator<(CTime t) const { return m_time < t.m_time; }
  bool operator>(CTime t) const { return m_time > t.m_time; }
  bool operator<=(CTime t) const { return m_time <= t.m_time; }
  bool operator>=(CTime t) const { return m_time >= t.m_time; }

 private:
  SYSTEMTIME Local() const;
  __time64_t m_time = 0;
};
