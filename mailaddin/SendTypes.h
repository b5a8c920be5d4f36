// What the send flow hands around: the folders and tags offered in the dialog, the import
// descriptor of one mail and the temporary files behind it.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include "AtlBase.h"
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Mailvane {

enum FolderType { FolderTypeShared = 0, FolderTypeLocal = 1, FolderTypeDefault = 2 };

// One folder offered in the dialog (owned by the folder list of one send).
struct FolderEntry {
  std::wstring name;
  CComPtr<IDispatch> folder;
  bool isLocal = false;
  bool isDefault = false;
  int depth = 0;
};

// One mail as the program imports it.
struct MailDescriptor {
  std::wstring title;
  std::vector<std::wstring> tags;
  std::wstring bodyPath;  // empty: no body file was written
  bool saveAttachments = true;
  struct Attachment {
    std::wstring path;
    std::wstring name;
  };
  std::vector<Attachment> attachments;
};

// The descriptor text: the XML declaration, a folder element holding one note element.
std::wstring BuildDescriptor(const MailDescriptor& mail);
// XML character data; in attribute values (single-quoted) "'" is escaped as well. Characters
// XML cannot carry (controls other than tab, line feed and carriage return, lone surrogates)
// become spaces.
std::wstring XmlEscape(const std::wstring& text, bool attribute);

// TEMP, else TMP, else the system's temporary folder, always with a trailing separator.
std::wstring GetTempDirectory();
// A 16-character id: "%dx%04X" of the time and a process-wide counter, padded on the left with
// the start of "objectidobjectid".
std::wstring GenerateKeyString();
std::wstring GenerateKeyString(long long now, unsigned* counter);

// A file name that is valid on its own: no path separators or reserved characters, no "." or
// "..", no device name, no trailing dots or spaces, not empty, at most 120 characters (the
// extension kept).
std::wstring SafeFileName(const std::wstring& name);
// The names given out in one folder: each new one differs from the others in any letter case
// ("base (2).ext", "base (3).ext"... after the first). Fast for thousands of equal names.
class UniqueNames {
 public:
  std::wstring Take(const std::wstring& name);

 private:
  std::set<std::wstring> m_taken;       // lower case
  std::map<std::wstring, int> m_next;   // lower-case name -> next number to try
};

// A fresh folder for one mail's files below the temporary folder, and its removal with
// everything in it. Both answer false on failure.
bool CreateMailFolder(const std::wstring& tempDir, std::wstring* folder);
bool RemoveMailFolder(const std::wstring& folder);

}  // namespace Mailvane
