// The program's command line (its own switches on top of the framework's) and the text forms of
// "pelora:" commands: the URI parser and the send-to list a second instance hands over.
#pragma once
#include "Framework.h"

namespace PeloraShell {

// Bounds on what a caller may hand over: a command text longer than this is refused whole,
// and at most kMaxSendToPaths paths are taken from one.
enum : int { kMaxCommandChars = 65536, kMaxSendToPaths = 1000 };

class CCommandArgs : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* param, BOOL flag, BOOL last) override;

    int m_primary = 1;      // 0 in a second instance: only then are files handed over
    int m_register = 0;     // a /RegServer or /UnregServer run: nothing is saved at exit
    int m_autorun = 0;
    CStringList m_uris;     // each "pelora:..." given as "uri:pelora:..."
    CString m_pendingNoteId;
    int m_sendTo = 0;
    CStringList m_sendToList;
    // Switches nobody knows, kept so the start can say so instead of guessing.
    CStringList m_unknown;
};

// Splits "command?key=value&key2=value2" into the command and its parameters (trimmed, not
// decoded; a later key wins). Returns the command, trimmed.
CString ParseUriString(const CString& uri, CMapStringToString& params);

// "pelora:sendto:" (15 or more characters) followed by paths in double quotes: true when the
// text is such a command; list is then emptied and refilled with its distinct paths.
bool ParseSendToCommand(const CString& command, CStringList& list);

// The command a second instance sends: "pelora:sendto: " and each path, without surrounding
// quotes and blanks, in double quotes followed by a blank. Empty when no path is left.
CString BuildSendToCommand(const CStringList& paths);

// A path handed over by another process, made absolute and canonical; empty when it is not a
// usable absolute file path (relative, a device, control characters, too long).
CString CleanHandedPath(const CString& path);

} // namespace PeloraShell
