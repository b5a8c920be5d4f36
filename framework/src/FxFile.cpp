// CFile over CreateFileW, CFileException causes, CFileFind over FindFirstFileW.
#include "Framework.h"

IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CFileFind, CObject)

// ---------------------------------------------------------------------------------------------
int CFileException::OsErrorToException(LONG osError) {
  switch (osError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY: case ERROR_FILENAME_EXCED_RANGE:
      return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED: case ERROR_WRITE_PROTECT: case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: case ERROR_NETWORK_ACCESS_DENIED:
      return accessDenied;
    case ERROR_INVALID_HANDLE: case ERROR_INVALID_ACCESS: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK: case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_CRC: case ERROR_READ_FAULT: case ERROR_WRITE_FAULT: case ERROR_GEN_FAILURE:
    case ERROR_SECTOR_NOT_FOUND: case ERROR_NOT_READY: case ERROR_IO_DEVICE:
      return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG osError, LPCTSTR fileName) {
  throw new CFileException(OsErrorToException(osError), osError, fileName);
}

void AfxThrowFileException(int cause, LONG osError, LPCTSTR fileName) {
  throw new CFileException(cause, osError, fileName);
}

CString CFileException::GetErrorMessage() const {
  static const wchar_t* const kWhat[] = {
    L"no error", L"the file operation failed", L"the file was not found",
    L"the path is invalid or does not exist", L"too many files are open", L"access was denied",
    L"the file handle is invalid", L"the current directory cannot be removed",
    L"the directory is full", L"the file position is invalid", L"a hardware I/O error occurred",
    L"the file is in use by another process", L"a locked region was accessed",
    L"the disk is full", L"the end of the file was reached"};
  CString text = m_strFileName.IsEmpty() ? CString(L"File") : m_strFileName;
  text += L": ";
  text += (m_cause >= 0 && m_cause < (int)_countof(kWhat)) ? kWhat[m_cause] : kWhat[genericException];
  if (m_lOsError > 0) {
    wchar_t* sys = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, (DWORD)m_lOsError, 0, (LPWSTR)&sys, 0, nullptr);
    CString detail = n ? CString(sys, (int)n) : CString();
    if (sys) LocalFree(sys);
    detail.Trim();
    if (detail.IsEmpty()) detail.Format(L"error %ld", m_lOsError);
    text += L" (" + detail + L")";
  }
  return text;
}

BOOL CFileException::GetErrorMessage(LPTSTR error, UINT maxChars, PUINT helpContext) const {
  if (helpContext) *helpContext = 0;
  if (!error || !maxChars) return FALSE;
  lstrcpynW(error, GetErrorMessage(), (int)maxChars);
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
const HANDLE CFile::hFileNull = INVALID_HANDLE_VALUE;

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE file) : m_hFile(file), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR fileName, UINT openFlags) : m_hFile(INVALID_HANDLE_VALUE), m_bCloseOnDelete(FALSE) {
  CFileException e;
  if (!Open(fileName, openFlags, &e)) throw new CFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile() {
  if (m_hFile != INVALID_HANDLE_VALUE && m_bCloseOnDelete) Abort();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
  if (m_hFile != INVALID_HANDLE_VALUE) Abort();
  CString path;
  DWORD n = GetFullPathNameW(fileName, MAX_PATH, path.GetBuffer(MAX_PATH), nullptr);
  path.ReleaseBuffer(n > 0 && n < MAX_PATH ? (int)n : 0);
  m_strFileName = path.IsEmpty() ? CString(fileName) : path;

  DWORD access = 0;
  switch (openFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
  }
  DWORD share = 0;
  switch (openFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;
  }
  DWORD disposition = OPEN_EXISTING;
  if (openFlags & modeCreate) disposition = (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
  DWORD attrs = FILE_ATTRIBUTE_NORMAL;
  if (openFlags & osNoBuffer) attrs |= FILE_FLAG_NO_BUFFERING;
  if (openFlags & osWriteThrough) attrs |= FILE_FLAG_WRITE_THROUGH;
  if (openFlags & osRandomAccess) attrs |= FILE_FLAG_RANDOM_ACCESS;
  if (openFlags & osSequentialScan) attrs |= FILE_FLAG_SEQUENTIAL_SCAN;

  HANDLE h = CreateFileW(fileName, access, share, nullptr, disposition, attrs, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    LONG err = (LONG)GetLastError();
    if (error) {
      error->m_cause = CFileException::OsErrorToException(err);
      error->m_lOsError = err;
      error->m_strFileName = fileName;
    }
    return FALSE;
  }
  m_hFile = h;
  m_bCloseOnDelete = TRUE;
  return TRUE;
}

void CFile::Close() {
  BOOL ok = TRUE;
  if (m_hFile != INVALID_HANDLE_VALUE) ok = CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
  if (!ok) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

void CFile::Abort() {
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
  m_bCloseOnDelete = FALSE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (count == 0) return 0;
  DWORD got = 0;
  if (!ReadFile(m_hFile, buffer, count, &got, nullptr)) {
    DWORD err = GetLastError();
    if (err == ERROR_HANDLE_EOF) return 0;
    CFileException::ThrowOsError((LONG)err, m_strFileName);
  }
  return got;
}

void CFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  DWORD put = 0;
  if (!WriteFile(m_hFile, buffer, count, &put, nullptr))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  if (put < count) AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
}

void CFile::Flush() {
  if (m_hFile != INVALID_HANDLE_VALUE && !FlushFileBuffers(m_hFile))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  DWORD method = from == current ? FILE_CURRENT : from == end ? FILE_END : FILE_BEGIN;
  LARGE_INTEGER d, pos;
  d.QuadPart = offset;
  if (!SetFilePointerEx(m_hFile, d, &pos, method))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return (ULONGLONG)pos.QuadPart;
}

ULONGLONG CFile::GetPosition() const {
  LARGE_INTEGER zero, pos;
  zero.QuadPart = 0;
  if (!SetFilePointerEx(m_hFile, zero, &pos, FILE_CURRENT))
    CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return (ULONGLONG)pos.QuadPart;
}

ULONGLONG CFile::GetLength() const {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(m_hFile, &size)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  return (ULONGLONG)size.QuadPart;
}

void CFile::SetLength(ULONGLONG length) {
  ULONGLONG keep = GetPosition();
  Seek((LONGLONG)length, begin);
  if (!SetEndOfFile(m_hFile)) CFileException::ThrowOsError((LONG)GetLastError(), m_strFileName);
  if (keep < length) Seek((LONGLONG)keep, begin);
}

BOOL CFile::GetStatus(CFileStatus& status) const {
  BY_HANDLE_FILE_INFORMATION info;
  if (m_hFile == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(m_hFile, &info)) return FALSE;
  status.m_ctime = CTime(info.ftCreationTime);
  status.m_mtime = CTime(info.ftLastWriteTime);
  status.m_atime = CTime(info.ftLastAccessTime);
  status.m_size = ((ULONGLONG)info.nFileSizeHigh << 32) | info.nFileSizeLow;
  status.m_attribute = (BYTE)info.dwFileAttributes;
  lstrcpynW(status.m_szFullName, m_strFileName, MAX_PATH);
  return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR fileName, CFileStatus& status) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!fileName || !GetFileAttributesExW(fileName, GetFileExInfoStandard, &data)) return FALSE;
  status.m_ctime = CTime(data.ftCreationTime);
  status.m_mtime = CTime(data.ftLastWriteTime);
  status.m_atime = CTime(data.ftLastAccessTime);
  status.m_size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
  status.m_attribute = (BYTE)data.dwFileAttributes;
  if (!GetFullPathNameW(fileName, MAX_PATH, status.m_szFullName, nullptr))
    lstrcpynW(status.m_szFullName, fileName, MAX_PATH);
  return TRUE;
}

void CFile::Rename(LPCTSTR oldName, LPCTSTR newName) {
  if (!MoveFileW(oldName, newName)) CFileException::ThrowOsError((LONG)GetLastError(), oldName);
}

void CFile::Remove(LPCTSTR fileName) {
  if (!DeleteFileW(fileName)) CFileException::ThrowOsError((LONG)GetLastError(), fileName);
}

CString CFile::GetFileName() const {
  int slash = std::max(m_strFileName.ReverseFind(L'\\'), m_strFileName.ReverseFind(L'/'));
  return m_strFileName.Mid(slash + 1);
}

static CString WithoutExtension(const CString& name) {
  int dot = name.ReverseFind(L'.');
  return dot > 0 ? name.Left(dot) : name;
}

CString CFile::GetFileTitle() const { return WithoutExtension(GetFileName()); }

// ---------------------------------------------------------------------------------------------
BOOL CFileFind::FindFile(LPCTSTR name, DWORD) {
  Close();
  CString pattern = (name && *name) ? CString(name) : CString(L"*.*");
  m_hFind = FindFirstFileW(pattern, &m_next);
  if (m_hFind == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    m_hFind = nullptr;
    SetLastError(err);
    return FALSE;
  }
  m_hasNext = true;
  CString full;
  DWORD n = GetFullPathNameW(pattern, MAX_PATH, full.GetBuffer(MAX_PATH), nullptr);
  full.ReleaseBuffer(n > 0 && n < MAX_PATH ? (int)n : 0);
  if (full.IsEmpty()) full = pattern;
  int slash = std::max(full.ReverseFind(L'\\'), full.ReverseFind(L'/'));
  m_root = full.Left(slash + 1);
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (!m_hFind || !m_hasNext) return FALSE;
  m_found = m_next;
  m_hasNext = ::FindNextFileW(m_hFind, &m_next) != FALSE;
  return m_hasNext;
}

void CFileFind::Close() {
  if (m_hFind) FindClose(m_hFind);
  m_hFind = nullptr;
  m_hasNext = false;
}

BOOL CFileFind::IsDots() const {
  const wchar_t* n = m_found.cFileName;
  return IsDirectory() && n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
}

CString CFileFind::GetFileTitle() const { return WithoutExtension(GetFileName()); }
