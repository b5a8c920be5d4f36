// The import descriptor and the temporary files of one mail.
#include "SendTypes.h"
#include <cwchar>
#include <cwctype>
#include <ctime>

namespace Mailvane {

std::wstring XmlEscape(const std::wstring& text, bool attribute) {
  std::wstring out;
  out.reserve(text.size() + 16);
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    switch (c) {
      case L'&': out += L"&amp;"; continue;
      case L'<': out += L"&lt;"; continue;
      case L'>': out += L"&gt;"; continue;
      case L'\'':
        if (attribute) {
          out += L"&apos;";
          continue;
        }
        break;
      default: break;
    }
    if ((c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF) {
      out += L' ';
    } else if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        out += c;
        out += text[++i];
      } else {
        out += L' ';
      }
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      out += L' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring BuildDescriptor(const MailDescriptor& mail) {
  std::wstring d = L"<?xml version=\"1.0\" standalone='no' ?>\n<folder>\n  <note ";
  if (!mail.bodyPath.empty()) {
    d += L" pathname='" + XmlEscape(mail.bodyPath, true) + L"'";
    d += mail.saveAttachments ? L" b_save_attachments='1'" : L" b_save_attachments='0'";
  }
  d += L">\n    <title>" + XmlEscape(mail.title, false) + L"</title>\n";
  for (const std::wstring& tag : mail.tags) d += L"    <tag>" + XmlEscape(tag, false) + L"</tag>\n";
  for (const MailDescriptor::Attachment& a : mail.attachments)
    d += L"    <attachment pathname='" + XmlEscape(a.path, true) + L"' filename='" + XmlEscape(a.name, true) + L"' />\n";
  d += L"  </note>\n</folder>\n";
  return d;
}

std::wstring GetTempDirectory() {
  wchar_t buf[2048];
  DWORD n = GetEnvironmentVariableW(L"TEMP", buf, 2048);
  if (n == 0 || n >= 2048) n = GetEnvironmentVariableW(L"TMP", buf, 2048);
  if (n == 0 || n >= 2048) n = GetTempPathW(2048, buf);
  if (n == 0 || n >= 2048) return L".\\";
  std::wstring t(buf, n);
  if (t.back() != L'\\' && t.back() != L'/') t += L'\\';
  return t;
}

std::wstring GenerateKeyString(long long now, unsigned* counter) {
  if (*counter > 0xFFFE) *counter = 0;
  wchar_t tail[32];
  swprintf(tail, 32, L"%dx%04X", (int)(unsigned)(now & 0xFFFFFFFF), *counter);
  ++*counter;
  size_t n = wcslen(tail);
  if (n >= 16) return std::wstring(tail).substr(n - 16);
  return std::wstring(L"objectidobjectid").substr(0, 16 - n) + tail;
}

std::wstring GenerateKeyString() {
  static unsigned counter = 0;
  return GenerateKeyString((long long)time(nullptr), &counter);
}

std::wstring SafeFileName(const std::wstring& name) {
  std::wstring s;
  for (wchar_t c : name) s += (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
  while (!s.empty() && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
  size_t start = s.find_first_not_of(L' ');
  s = start == std::wstring::npos ? std::wstring() : s.substr(start);
  if (s.empty()) s = L"attachment";
  // device names are reserved with any extension
  std::wstring stem = s.substr(0, s.find(L'.'));
  for (wchar_t& c : stem) c = (wchar_t)towupper(c);
  static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  bool device = false;
  for (const wchar_t* d : devices) device = device || stem == d;
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) && stem[3] >= L'0' &&
      stem[3] <= L'9')
    device = true;
  if (device) s = L"_" + s;
  const size_t kMax = 120;
  if (s.size() > kMax) {
    size_t dot = s.rfind(L'.');
    std::wstring ext = (dot != std::wstring::npos && s.size() - dot <= 16) ? s.substr(dot) : std::wstring();
    s = s.substr(0, kMax - ext.size()) + ext;
    while (s.size() > ext.size() && (s[s.size() - ext.size() - 1] == L'.' || s[s.size() - ext.size() - 1] == L' '))
      s.erase(s.size() - ext.size() - 1, 1);
  }
  return s;
}

std::wstring UniqueNames::Take(const std::wstring& name) {
  auto lower = [](std::wstring t) {
    CharLowerBuffW(&t[0], (DWORD)t.size());
    return t;
  };
  std::wstring key = lower(name);
  if (m_taken.insert(key).second) return name;
  size_t dot = name.rfind(L'.');
  std::wstring base = (dot == std::wstring::npos || dot == 0) ? name : name.substr(0, dot);
  std::wstring ext = (dot == std::wstring::npos || dot == 0) ? std::wstring() : name.substr(dot);
  int& next = m_next[key];
  if (next < 2) next = 2;
  for (;; ++next) {
    std::wstring candidate = base + L" (" + std::to_wstring(next) + L")" + ext;
    if (m_taken.insert(lower(candidate)).second) {
      ++next;
      return candidate;
    }
  }
}

bool CreateMailFolder(const std::wstring& tempDir, std::wstring* folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = tempDir + L"PeloraMail_" + GenerateKeyString();
    if (CreateDirectoryW(path.c_str(), nullptr)) {
      *folder = path + L"\\";
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool RemoveMailFolder(const std::wstring& folder) {
  std::wstring dir = folder;
  while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  if (dir.empty()) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  bool ok = true;
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0) continue;
      std::wstring p = dir + L"\\" + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = RemoveMailFolder(p) && ok;
      } else {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        ok = DeleteFileW(p.c_str()) && ok;
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryW(dir.c_str()) && ok;
}

}  // namespace Mailvane
