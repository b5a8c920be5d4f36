// Files, file search, times and synchronisation objects.
#include "Framework.h"
#include <gtest/gtest.h>
#include <thread>

namespace {

// A fresh directory under %TEMP% for one test, removed with its files afterwards.
class TempDir {
 public:
  TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path.Format(L"%sfxcore_%lu_%lu\\", base, GetCurrentProcessId(), GetTickCount());
    CreateDirectoryW(path, nullptr);
  }
  ~TempDir() {
    CFileFind f;
    BOOL more = f.FindFile(path + L"*");
    while (more) {
      more = f.FindNextFile();
      if (f.IsDots()) continue;
      SetFileAttributesW(f.GetFilePath(), FILE_ATTRIBUTE_NORMAL);
      if (f.IsDirectory()) RemoveDirectoryW(f.GetFilePath()); else DeleteFileW(f.GetFilePath());
    }
    f.Close();
    RemoveDirectoryW(path);
  }
  CString operator/(const wchar_t* name) const { return path + name; }
  CString path;
};

TEST(CoreFile, WriteReadSeekAndLength) {
  TempDir dir;
  CString name = dir / L"\x0434\x0430\x043D\x043D\x044B\x0435.bin";
  {
    CFile f(name, CFile::modeCreate | CFile::modeWrite);
    f.Write("hello world", 11);
    EXPECT_EQ(11u, f.GetLength());
    EXPECT_EQ(6u, f.Seek(-5, CFile::end));
    f.Write("WORLD", 5);
    EXPECT_STREQ(L"\x0434\x0430\x043D\x043D\x044B\x0435.bin", f.GetFileName());
    EXPECT_STREQ(L"\x0434\x0430\x043D\x043D\x044B\x0435", f.GetFileTitle());
    EXPECT_EQ(name, f.GetFilePath());
  }
  CFile f;
  ASSERT_TRUE(f.Open(name, CFile::modeRead | CFile::shareDenyWrite));
  char buf[32] = {};
  EXPECT_EQ(11u, f.Read(buf, sizeof buf));
  EXPECT_STREQ("hello WORLD", buf);
  EXPECT_EQ(0u, f.Read(buf, sizeof buf));  // at the end: no exception
  f.SeekToBegin();
  EXPECT_EQ(0u, f.GetPosition());
  EXPECT_EQ(11u, f.SeekToEnd());
  CFileStatus st;
  ASSERT_TRUE(f.GetStatus(st));
  EXPECT_EQ(11u, st.m_size);
  EXPECT_LE(labs((long)(CTime::GetCurrentTime() - st.m_mtime).GetTotalSeconds()), 60);
  f.Close();

  // sizes past 4 GB (a sparse file where the file system allows it)
  CFile big(name, CFile::modeReadWrite);
  big.SetLength(5ULL << 30);
  EXPECT_EQ(5ULL << 30, big.GetLength());
  EXPECT_EQ((5ULL << 30) - 1, big.Seek(-1, CFile::end));
  big.SetLength(3);
  EXPECT_EQ(3u, big.GetLength());
}

TEST(CoreFile, FailuresNameTheirCause) {
  TempDir dir;
  CString readOnly = dir / L"locked.txt";
  { CFile f(readOnly, CFile::modeCreate | CFile::modeWrite); }
  SetFileAttributesW(readOnly, FILE_ATTRIBUTE_READONLY);
  CString busy = dir / L"busy.txt";
  CFile holder(busy, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive);

  struct Case { CString name; UINT flags; int cause; } cases[] = {
    {dir / L"missing.txt", CFile::modeRead, CFileException::fileNotFound},
    {dir / L"no\\such\\dir\\x.txt", CFile::modeCreate | CFile::modeWrite, CFileException::badPath},
    // a directory opened as a file: denied even to an administrator, who may write read-only files
    {dir.path.Left(dir.path.GetLength() - 1), CFile::modeWrite, CFileException::accessDenied},
    {busy, CFile::modeRead | CFile::shareDenyNone, CFileException::sharingViolation},
  };
  for (auto& c : cases) {
    CFileException e;
    CFile f;
    EXPECT_FALSE(f.Open(c.name, c.flags, &e)) << (LPCSTR)CStringA(c.name);
    EXPECT_EQ(c.cause, e.m_cause) << (LPCSTR)CStringA(c.name);
    EXPECT_NE(-1, e.m_lOsError);
    EXPECT_EQ(c.name, e.m_strFileName);
    // the message names the file and the cause
    wchar_t text[512];
    ASSERT_TRUE(e.GetErrorMessage(text, 512));
    EXPECT_NE(nullptr, wcsstr(text, c.name)) << (LPCSTR)CStringA(text);

    // the constructor throws the same
    try {
      CFile g(c.name, c.flags);
      ADD_FAILURE() << "no exception";
    } catch (CFileException* ex) {
      EXPECT_EQ(c.cause, ex->m_cause);
      ex->Delete();
    }
  }
  try {
    CFile::Remove(dir / L"missing.txt");
    ADD_FAILURE() << "no exception";
  } catch (CFileException* ex) {
    EXPECT_EQ(CFileException::fileNotFound, ex->m_cause);
    ex->Delete();
  }
  CFileStatus st;
  EXPECT_FALSE(CFile::GetStatus(dir / L"missing.txt", st));
  EXPECT_TRUE(CFile::GetStatus(readOnly, st));
  EXPECT_TRUE(st.m_attribute & FILE_ATTRIBUTE_READONLY);
}

TEST(CoreFile, FindListsEveryMatchIncludingTheLast) {
  TempDir dir;
  const wchar_t* names[] = {L"a.txt", L"b.txt", L"c.log"};
  for (auto n : names) { CFile f(dir / n, CFile::modeCreate | CFile::modeWrite); f.Write("12", 2); }
  CreateDirectoryW(dir / L"sub", nullptr);

  CFileFind find;
  ASSERT_TRUE(find.FindFile(dir / L"*.txt"));
  std::vector<CString> found;
  BOOL more = TRUE;
  while (more) {
    more = find.FindNextFile();
    found.push_back(find.GetFileName());
    EXPECT_EQ(dir.path, find.GetRoot());
    EXPECT_EQ(dir.path + find.GetFileName(), find.GetFilePath());
    EXPECT_EQ(2u, find.GetLength());
  }
  std::sort(found.begin(), found.end());
  ASSERT_EQ(2u, found.size());
  EXPECT_STREQ(L"a.txt", found[0]);
  EXPECT_STREQ(L"b.txt", found[1]);
  EXPECT_FALSE(find.FindNextFile());

  int dirs = 0, dots = 0;
  ASSERT_TRUE(find.FindFile(dir / L"*"));
  for (more = TRUE; more;) {
    more = find.FindNextFile();
    dots += find.IsDots();
    dirs += find.IsDirectory() && !find.IsDots();
  }
  EXPECT_EQ(1, dirs);
  EXPECT_EQ(2, dots);
  EXPECT_FALSE(find.FindFile(dir / L"nothing*.xyz"));
}

TEST(CoreFile, TimesRoundTripThroughLocalTime) {
  CTime t(2021, 3, 14, 15, 9, 26);
  EXPECT_EQ(2021, t.GetYear());
  EXPECT_EQ(3, t.GetMonth());
  EXPECT_EQ(14, t.GetDay());
  EXPECT_EQ(15, t.GetHour());
  EXPECT_EQ(1, t.GetDayOfWeek());  // a Sunday
  EXPECT_STREQ(L"2021-03-14 15:09:26", t.Format(L"%Y-%m-%d %H:%M:%S"));
  CTime later = t + CTimeSpan(1, 2, 3, 4);
  EXPECT_EQ(93784, (later - t).GetTotalSeconds());
  EXPECT_EQ(2, (later - t).GetHours());
  EXPECT_STREQ(L"1970-01-01 00:00", CTime(0).FormatGmt(L"%Y-%m-%d %H:%M"));
}

TEST(CoreSync, NamedManualResetEventAndLocks) {
  CEvent ready(FALSE, TRUE, L"PeloraFxCoreTestEvent");
  CEvent same(FALSE, TRUE, L"PeloraFxCoreTestEvent");  // opens the same event
  EXPECT_FALSE(CSingleLock(&same).Lock(0));
  std::thread t([&] { ready.SetEvent(); });
  t.join();
  EXPECT_TRUE(CSingleLock(&same).Lock(1000));
  EXPECT_TRUE(CSingleLock(&same).Lock(0));  // manual reset: stays signalled
  same.ResetEvent();
  EXPECT_FALSE(CSingleLock(&ready).Lock(0));

  CMutex mutex;
  CCriticalSection cs;
  int counter = 0;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&] {
      for (int n = 0; n < 1000; ++n) {
        CSingleLock a(&mutex, TRUE);
        CSingleLock b(&cs, TRUE);
        ++counter;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(4000, counter);

  CSingleLock held(&mutex, TRUE);
  EXPECT_TRUE(held.IsLocked());
  bool other = true;
  std::thread([&] { other = CSingleLock(&mutex).Lock(0); }).join();
  EXPECT_FALSE(other);
  held.Unlock();
  EXPECT_FALSE(held.IsLocked());
  std::thread([&] { CSingleLock l(&mutex); other = l.Lock(0); }).join();
  EXPECT_TRUE(other);
}

}  // namespace
