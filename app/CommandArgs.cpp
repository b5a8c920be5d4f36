#include "CommandArgs.h"

namespace PeloraShell {

namespace {

bool StartsNoCase(const CString& text, const wchar_t* prefix)
{
    int n = (int)wcslen(prefix);
    return text.GetLength() >= n && _wcsnicmp(text.GetString(), prefix, n) == 0;
}

bool Contains(const CStringList& list, const CString& item)
{
    for (POSITION pos = list.GetHeadPosition(); pos;)
        if (list.GetNext(pos) == item)
            return true;
    return false;
}

} // namespace

void CCommandArgs::ParseParam(const wchar_t* param, BOOL flag, BOOL last)
{
    CCommandLineInfo::ParseParam(param, flag, last);
    CString text(param ? param : L"");
    if (text.CompareNoCase(L"autorun") == 0) {
        m_autorun = 1;
    } else if (StartsNoCase(text, L"uri:pelora:")) {
        // a link is remembered, never run: a web page must not start commands on local files
        if (text.GetLength() <= kMaxCommandChars)
            m_uris.AddTail(text.Mid(4));
    } else if (StartsNoCase(text, L"sendto:")) {
        m_sendTo = 1;
    } else if (m_sendTo == 1) {
        if (m_sendToList.GetCount() < kMaxSendToPaths)
            m_sendToList.AddTail(text);
    } else if (flag) {
        static const wchar_t* const known[] = {L"p", L"pt", L"dde", L"register", L"regserver", L"unregister",
                                               L"unregserver", L"embedding", L"automation"};
        bool isKnown = false;
        for (const wchar_t* k : known)
            isKnown = isKnown || text.CompareNoCase(k) == 0;
        if (!isKnown && m_unknown.GetCount() < 16)
            m_unknown.AddTail(text.Left(64));
    }
}

CString ParseUriString(const CString& uri, CMapStringToString& params)
{
    CString command = uri;
    CString rest;
    int q = uri.Find(L'?');
    if (q >= 1) {
        command = uri.Left(q);
        rest = uri.Mid(q + 1);
        rest.Trim();
    }
    while (!rest.IsEmpty()) {
        CString pair;
        int amp = rest.Find(L'&', 1);
        if (amp >= 1) {
            pair = rest.Left(amp);
            rest = rest.Mid(amp + 1);
        } else {
            pair = rest;
            rest.Empty();
        }
        CString key = pair, value;
        int eq = pair.Find(L'=');
        if (eq >= 1) {
            key = pair.Left(eq);
            value = pair.Mid(eq + 1);
        }
        key.Trim();
        value.Trim();
        if (!key.IsEmpty())
            params.SetAt(key, value);
        rest.Trim();
    }
    command.Trim();
    return command;
}

bool ParseSendToCommand(const CString& command, CStringList& list)
{
    if (command.GetLength() < 15 || !StartsNoCase(command, L"pelora:sendto:"))
        return false;
    list.RemoveAll();
    int open = command.Find(L'"');
    if (open < 1)
        return true;
    while (open >= 0 && list.GetCount() < kMaxSendToPaths) {
        int close = command.Find(L'"', open + 1);
        if (close < 0 || close == open + 1)
            break;  // a missing quote or an empty pair ends the list
        CString path = command.Mid(open + 1, close - open - 1);
        if (!Contains(list, path))
            list.AddTail(path);
        open = command.Find(L'"', close + 1);
    }
    return true;
}

CString BuildSendToCommand(const CStringList& paths)
{
    CString text = L"pelora:sendto: ";
    bool any = false;
    for (POSITION pos = paths.GetHeadPosition(); pos;) {
        CString path = paths.GetNext(pos);
        path.Trim(L"\"");
        path.Trim();
        // a quote inside would end the path early on the other side
        if (path.IsEmpty() || path.Find(L'"') >= 0)
            continue;
        text += L"\"" + path + L"\" ";
        any = true;
    }
    return any ? text : CString();
}

CString CleanHandedPath(const CString& path)
{
    if (path.IsEmpty() || path.GetLength() >= 32767)
        return CString();
    for (int i = 0; i < path.GetLength(); ++i)
        if (path[i] < 32 || path[i] == L'"' || path[i] == L'*' || path[i] == L'?' || path[i] == L'<' ||
            path[i] == L'>' || path[i] == L'|')
            return CString();
    // absolute only: a drive and a backslash, or a share
    bool drive = path.GetLength() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    bool share = path.GetLength() >= 3 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/') &&
                 path[2] != L'?' && path[2] != L'.';
    if (!drive && !share)
        return CString();
    wchar_t full[32768];
    DWORD n = GetFullPathNameW(path.GetString(), 32768, full, nullptr);
    if (n == 0 || n >= 32768)
        return CString();
    return CString(full);
}

} // namespace PeloraShell
