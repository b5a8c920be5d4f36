// CFile (Win32 file handle, 64-bit sizes), CFileException with the failure's cause, CFileStatus
// and CFileFind.
#pragma once
#include "FxObject.h"
#include "FxTime.h"

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)
 public:
  enum {
    none = 0, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
    invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation,
    lockViolation, diskFull, endOfFile
  };
  explicit CFileException(int cause = none, LONG osError = -1, LPCTSTR fileName = nullptr)
      : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}
  // "<file>: <what went wrong> (<system message>)".
  BOOL GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext = nullptr) const override;
  CString GetErrorMessage() const;

  static int OsErrorToException(LONG osError);
  [[noreturn]] static void ThrowOsError(LONG osError, LPCTSTR fileName = nullptr);

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG osError = -1, LPCTSTR fileName = nullptr);

struct CFileStatus {
  CTime m_ctime;
  CTime m_mtime;
  CTime m_atime;
  ULONGLONG m_size = 0;
  BYTE m_attribute = 0;
  TCHAR m_szFullName[MAX_PATH] = {};
};

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)
 public:
  enum OpenFlags {
    modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
    shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030, shareDenyNone = 0x0040,
    modeNoInherit = 0x0080, modeCreate = 0x1000, modeNoTruncate = 0x2000,
    typeText = 0x4000, typeBinary = 0x8000,
    osNoBuffer = 0x10000, osWriteThrough = 0x20000, osRandomAccess = 0x40000,
    osSequentialScan = 0x80000
  };
  enum SeekPosition { begin = 0, current = 1, end = 2 };
  static const HANDLE hFileNull;

  CFile();
  explicit CFile(HANDLE file);
  CFile(LPCTSTR fileName, UINT openFlags);  // throws CFileException* on failure
  ~CFile() override;

  // FALSE on failure, with the cause in *error when given. Handles are never inherited.
  virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
  virtual void Close();  // throws on failure
  virtual void Abort();  // closes, ignoring errors
  virtual UINT Read(void* buffer, UINT count);  // bytes read; 0 at the end of the file
  virtual void Write(const void* buffer, UINT count);
  virtual void Flush();
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetPosition() const;
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG length);
  BOOL GetStatus(CFileStatus& status) const;
  static BOOL GetStatus(LPCTSTR fileName, CFileStatus& status);
  static void Rename(LPCTSTR oldName, LPCTSTR newName);
  static void Remove(LPCTSTR fileName);

  virtual CString GetFilePath() const { return m_strFileName; }
  virtual CString GetFileName() const;
  virtual CString GetFileTitle() const;
  operator HANDLE() const { return m_hFile; }

  HANDLE m_hFile;

 protected:
  CString m_strFileName;
  BOOL m_bCloseOnDelete;
};

class CFileFind : public CObject {
  DECLARE_DYNAMIC(CFileFind)
 public:
  CFileFind() {}
  ~CFileFind() override { Close(); }

  // Starts a search ("*.*" in the current directory by default); call FindNextFile before
  // looking at the first match.
  virtual BOOL FindFile(LPCTSTR name = nullptr, DWORD unused = 0);
  // Moves to the next match; FALSE when that match is the last one (it is still valid).
  virtual BOOL FindNextFile();
  void Close();

  CString GetFileName() const { return m_found.cFileName; }
  CString GetFilePath() const { return m_root + m_found.cFileName; }
  CString GetFileTitle() const;
  CString GetRoot() const { return m_root; }
  ULONGLONG GetLength() const { return ((ULONGLONG)m_found.nFileSizeHigh << 32) | m_found.nFileSizeLow; }
  BOOL MatchesMask(DWORD mask) const { return (m_found.dwFileAttributes & mask) != 0; }
  BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
  BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
  BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
  BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
  BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }
  BOOL IsTemporary() const { return MatchesMask(FILE_ATTRIBUTE_TEMPORARY); }
  BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }
  BOOL IsDots() const;
  BOOL GetLastWriteTime(FILETIME* t) const { if (!t) return FALSE; *t = m_found.ftLastWriteTime; return TRUE; }
  BOOL GetLastWriteTime(CTime& t) const { t = CTime(m_found.ftLastWriteTime); return TRUE; }
  BOOL GetCreationTime(FILETIME* t) const { if (!t) return FALSE; *t = m_found.ftCreationTime; return TRUE; }
  BOOL GetCreationTime(CTime& t) const { t = CTime(m_found.ftCreationTime); return TRUE; }
  BOOL GetLastAccessTime(FILETIME* t) const { if (!t) return FALSE; *t = m_found.ftLastAccessTime; return TRUE; }
  BOOL GetLastAccessTime(CTime& t) const { t = CTime(m_found.ftLastAccessTime); return TRUE; }

 private:
  HANDLE m_hFind = nullptr;
  WIN32_FIND_DATAW m_found = {};
  WIN32_FIND_DATAW m_next = {};
  bool m_hasNext = false;
  CString m_root;  // the searched directory, with its final separator
};
