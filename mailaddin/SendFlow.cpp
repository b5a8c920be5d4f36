// Sending the selected mails: find or start the program, wait for it without freezing the mail
// client, ask for folder and tags, and hand each mail over as an import descriptor whose files
// live in a folder of their own that is removed once the program has read them.
#include "DlgSaveToNote.h"
#include "AddIn.h"
#include "Module.h"
#include "TextConv.h"
#include <algorithm>
#include <cstdlib>

namespace Mailvane {

namespace {

const UINT kMsgLoginChanged = WM_APP + 1;
const DWORD kProgramWaitMs = 20000;
const int kMaxFolderDepth = 64;

typedef IDispEventSimpleImpl<4, CPeloraMailvane, &DIID_IPeloraApplicationEvent> LoginSink;

bool ProgramGone(HRESULT hr) {
  return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
         hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) ||
         hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE) || hr == CO_E_OBJNOTCONNECTED;
}

// args in call order (InvokeN takes them last first)
HRESULT Call(IDispatch* obj, LPCOLESTR name, const VARIANT* args, int count, VARIANT* result) {
  if (!obj) return E_POINTER;
  std::vector<VARIANT> reversed(args ? args : nullptr, args ? args + count : nullptr);
  std::reverse(reversed.begin(), reversed.end());
  return CComDispatchDriver(obj).InvokeN(name, reversed.data(), count, result);
}

HRESULT GetObj(IDispatch* obj, LPCOLESTR name, const VARIANT* args, int count, CComPtr<IDispatch>& out) {
  CComVariant v;
  HRESULT hr = Call(obj, name, args, count, &v);
  if (FAILED(hr)) return hr;
  if (v.vt != VT_DISPATCH || !v.pdispVal) return E_NOINTERFACE;
  out = v.pdispVal;
  return S_OK;
}

HRESULT GetLong(IDispatch* obj, LPCOLESTR name, long* out) {
  CComVariant v;
  HRESULT hr = Call(obj, name, nullptr, 0, &v);
  if (SUCCEEDED(hr)) hr = v.ChangeType(VT_I4);
  if (SUCCEEDED(hr)) *out = v.lVal;
  return hr;
}

HRESULT GetText(IDispatch* obj, LPCOLESTR name, std::wstring* out) {
  CComVariant v;
  HRESULT hr = Call(obj, name, nullptr, 0, &v);
  if (SUCCEEDED(hr) && v.vt != VT_BSTR) hr = v.ChangeType(VT_BSTR);
  if (SUCCEEDED(hr)) out->assign(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0);
  return hr;
}

// Plain text as a small HTML page, so that mails without an HTML body keep their text.
std::wstring PlainToHtml(const std::wstring& text) {
  std::wstring html = L"<html><body><div>";
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') continue;
    if (c == L'\n')
      html += L"<br>";
    else
      html += XmlEscape(std::wstring(1, c), false);
  }
  return html + L"</div></body></html>";
}

bool WriteWholeFile(const std::wstring& path, const char* bytes, size_t size) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  while (ok && size > 0) {
    DWORD chunk = size > (1u << 30) ? (1u << 30) : (DWORD)size, written = 0;
    ok = WriteFile(f, bytes, chunk, &written, nullptr) && written == chunk;
    bytes += written;
    size -= written;
  }
  ok = CloseHandle(f) && ok;
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

// A folder the dialog offers: shared, local and default folders; anything else (trash, tags,
// searches...) is left out together with everything below it.
bool AddFolder(std::vector<FolderEntry>& list, IDispatch* folder, int depth) {
  long type = -1;
  if (!folder || FAILED(GetLong(folder, L"GetFolderType", &type))) return false;
  if (type != FolderTypeShared && type != FolderTypeLocal && type != FolderTypeDefault) return false;
  FolderEntry e;
  GetText(folder, L"GetFolderName", &e.name);
  e.folder = folder;
  e.isLocal = type == FolderTypeLocal;
  e.isDefault = type == FolderTypeDefault;
  e.depth = depth;
  list.push_back(e);
  return true;
}

void AddSubFolders(std::vector<FolderEntry>& list, IDispatch* folder, int depth) {
  long count = 0;
  if (!folder || depth > kMaxFolderDepth || FAILED(GetLong(folder, L"GetSubFolderCount", &count))) return;
  for (long i = 0; i < count; ++i) {
    CComVariant index(i);
    CComPtr<IDispatch> child;
    if (FAILED(GetObj(folder, L"GetSubFolderItem", &index, 1, child))) continue;
    if (AddFolder(list, child, depth)) AddSubFolders(list, child, depth + 1);
  }
}

enum ImportResult { ImportNotMail, ImportSent, ImportFailed, ImportProgramGone };

// One mail to the program: its files in a fresh folder, the descriptor to ImportNotes, the
// folder removed again whatever happened.
ImportResult ImportMailItem(IDispatch* folder, IDispatch* item, const std::wstring* title, bool saveAttachments,
                            const std::vector<std::wstring>& tags, std::wstring* problem) {
  CComPtr<IDispatch> mail;
  if (!item || FAILED(item->QueryInterface(IID_OutlookMailItem, (void**)&mail)) || !mail) return ImportNotMail;
  std::wstring subject;
  GetText(mail, L"Subject", &subject);
  std::wstring dir;
  if (!CreateMailFolder(GetTempDirectory(), &dir)) {
    *problem = L"The temporary folder " + GetTempDirectory() + L" cannot be written to.";
    return ImportFailed;
  }
  MailDescriptor d;
  d.title = title ? *title : subject;
  d.tags = tags;
  d.saveAttachments = saveAttachments;
  UniqueNames used;
  std::wstring bodyName = used.Take(L"email_" + GenerateKeyString() + L".htm");

  std::wstring html;
  GetText(mail, L"HTMLBody", &html);
  if (html.empty()) {
    std::wstring plain;
    GetText(mail, L"Body", &plain);
    if (!plain.empty()) html = PlainToHtml(plain);
  }
  if (!html.empty()) {
    char* utf8 = Utf16ToUtf8(html.c_str());
    if (utf8 && WriteWholeFile(dir + bodyName, utf8, strlen(utf8))) d.bodyPath = dir + bodyName;
    free(utf8);
  }

  if (saveAttachments) {
    CComPtr<IDispatch> attachments;
    long count = 0;
    if (SUCCEEDED(GetObj(mail, L"Attachments", nullptr, 0, attachments)) &&
        SUCCEEDED(GetLong(attachments, L"Count", &count))) {
      for (long i = 1; i <= count; ++i) {
        CComVariant index(i);
        CComPtr<IDispatch> a;
        if (FAILED(GetObj(attachments, L"Item", &index, 1, a))) continue;
        std::wstring name;
        GetText(a, L"FileName", &name);
        if (name.empty()) GetText(a, L"DisplayName", &name);
        std::wstring safe = used.Take(SafeFileName(name));
        std::wstring path = dir + safe;
        CComVariant arg(path.c_str());
        if (Call(a, L"SaveAsFile", &arg, 1, nullptr) == S_OK &&
            GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
          d.attachments.push_back({path, safe});
      }
    }
  }

  CComVariant args[2] = {CComVariant(BuildDescriptor(d).c_str()), CComVariant(1L)};
  CComVariant err;
  HRESULT hr = Call(folder, L"ImportNotes", args, 2, &err);
  RemoveMailFolder(dir);
  if (ProgramGone(hr)) return ImportProgramGone;
  if (FAILED(hr)) {
    wchar_t code[16];
    swprintf(code, 16, L"0x%08lX", (unsigned long)hr);
    *problem = L"Pelora did not take the mail \"" + subject.substr(0, 200) + L"\" (error " + code + L").";
    return ImportFailed;
  }
  return ImportSent;
}

}  // namespace

// ---- the program's object ----

HRESULT CPeloraMailvane::GetPeloraApplication() {
  if (m_pelora) return S_OK;
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(ProgramProgId().c_str(), &clsid);
  if (FAILED(hr)) return hr;
  CComPtr<IDispatch> app;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                        CLSCTX_REMOTE_SERVER, IID_IDispatch, (void**)&app);
  if (FAILED(hr)) return hr;
  m_pelora = app;
  return S_OK;
}

void CPeloraMailvane::ReleasePeloraApplication() {
  if (m_pelora && LoginSink::IsDispEventAdvised()) LoginSink::DispEventUnadvise(m_pelora);
  m_pelora.Release();
}

void CPeloraMailvane::ClearPendingMails() { m_pendingMails.clear(); }

// Waits for IsAppInited with the mail client's messages flowing; bounded in total.
bool CPeloraMailvane::WaitForProgram() {
  DWORD start = GetTickCount();
  for (;;) {
    CComVariant inited;
    HRESULT hr = Call(m_pelora, L"IsAppInited", nullptr, 0, &inited);
    if (SUCCEEDED(hr) && SUCCEEDED(inited.ChangeType(VT_BOOL)) && inited.boolVal != VARIANT_FALSE) return true;
    if (ProgramGone(hr) || GetTickCount() - start >= kProgramWaitMs) return false;
    DWORD until = GetTickCount() + 100;
    for (DWORD now = GetTickCount(); (LONG)(until - now) > 0; now = GetTickCount()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage((int)msg.wParam);  // the client's own loop must see it
          return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
}

// ---- the flow ----

void CPeloraMailvane::OnSendSelection() {
  if (m_busy) return;  // the wait or the dialog of an earlier press is still running
  ClearPendingMails();
  ReleasePeloraApplication();  // an earlier send waiting for a login is abandoned
  CComPtr<IDispatch> explorer, selection;
  long count = 0;
  if (FAILED(GetObj(m_outlook, L"ActiveExplorer", nullptr, 0, explorer)) ||
      FAILED(GetObj(explorer, L"Selection", nullptr, 0, selection)) ||
      FAILED(GetLong(selection, L"Count", &count)))
    return;
  for (long i = 1; i <= count; ++i) {
    CComVariant index(i);
    CComPtr<IDispatch> item, mail;
    if (FAILED(GetObj(selection, L"Item", &index, 1, item))) continue;
    if (SUCCEEDED(item->QueryInterface(IID_OutlookMailItem, (void**)&mail)) && mail) m_pendingMails.push_back(item);
  }
  if (m_pendingMails.empty()) return;

  m_busy = true;
  HRESULT hr = GetPeloraApplication();
  if (FAILED(hr)) {
    ReportToUser(L"Pelora could not be started, so the mails were not sent. Check that Pelora is installed, "
                 L"start it, and send the mails again.");
  } else if (!WaitForProgram()) {
    ReportToUser(L"Pelora did not get ready in time, so the mails were not sent. Send them again once Pelora's "
                 L"window has appeared.");
  } else {
    CComVariant state;
    hr = Call(m_pelora, L"GetLoginState", nullptr, 0, &state);
    long login = (SUCCEEDED(hr) && SUCCEEDED(state.ChangeType(VT_I4))) ? state.lVal : LoginFailed;
    if (login == LoginInProgress || login == LoginFailed) {
      if (login == LoginFailed) {
        CComVariant no(false);
        Call(m_pelora, L"ShowAuthWindow", &no, 1, nullptr);
      }
      // the flow goes on when the program reports the login (OnLoginChanged)
      PostWindow();
      if (SUCCEEDED(LoginSink::DispEventAdvise(m_pelora))) {
        // a login that ended before the connection was made sends no event: look once more
        CComVariant now;
        if (SUCCEEDED(Call(m_pelora, L"GetLoginState", nullptr, 0, &now)) && SUCCEEDED(now.ChangeType(VT_I4)) &&
            now.lVal == LoginSuccess)
          PostMessageW(m_postWindow, kMsgLoginChanged, (WPARAM)LoginSuccess, (LPARAM)this);
        m_busy = false;
        return;
      }
      ReportToUser(L"Sign in to Pelora, then send the mails again.");
    } else if (login == LoginSuccess) {
      ShowSaveDialog();
    }
  }
  ClearPendingMails();
  ReleasePeloraApplication();
  m_busy = false;
}

// Called by the program inside its event: nothing modal here, the rest runs from the queue.
void CPeloraMailvane::OnLoginChanged(IUnknown*, LONG loginState) {
  if (loginState == LoginInProgress) return;
  HWND wnd = PostWindow();
  if (wnd) PostMessageW(wnd, kMsgLoginChanged, (WPARAM)loginState, (LPARAM)this);
}

HWND CPeloraMailvane::PostWindow() {
  if (m_postWindow) return m_postWindow;
  static ATOM atom = 0;
  if (!atom) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PostWndProc;
    wc.hInstance = ModuleInstance();
    wc.lpszClassName = L"MailvanePostWindow";
    atom = RegisterClassW(&wc);
  }
  m_postWindow = CreateWindowW(L"MailvanePostWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ModuleInstance(), nullptr);
  if (m_postWindow) SetWindowLongPtrW(m_postWindow, GWLP_USERDATA, (LONG_PTR)this);
  return m_postWindow;
}

LRESULT CALLBACK CPeloraMailvane::PostWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kMsgLoginChanged) {
    CPeloraMailvane* self = reinterpret_cast<CPeloraMailvane*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self || self != reinterpret_cast<CPeloraMailvane*>(lp)) return 0;
    if (!self->m_pelora || !static_cast<LoginSink*>(self)->IsDispEventAdvised() || self->m_busy) return 0;  // nothing is waiting
    LoginSink& sink = *self;
    sink.DispEventUnadvise(self->m_pelora);
    static_cast<IPeloraMailvane*>(self)->AddRef();  // the dialog may run long: the object stays while it does
    if ((LONG)wp == LoginSuccess && !self->m_pendingMails.empty()) {
      self->m_busy = true;
      self->ShowSaveDialog();
      self->m_busy = false;
    }
    self->ClearPendingMails();
    self->ReleasePeloraApplication();
    static_cast<IPeloraMailvane*>(self)->Release();
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

void CPeloraMailvane::ShowSaveDialog() {
  if (!m_pelora || m_pendingMails.empty()) return;
  CComPtr<IDispatch> notebook;
  HRESULT hr = GetObj(m_pelora, L"GetActiveNotebook", nullptr, 0, notebook);
  if (FAILED(hr)) {
    ReportToUser(ProgramGone(hr) ? L"Pelora stopped, so the mails were not sent."
                                 : L"Pelora has no notebook open, so the mails were not sent.");
    return;
  }
  std::vector<FolderEntry> folders;
  CComPtr<IDispatch> def, users;
  if (SUCCEEDED(GetObj(notebook, L"GetFolderDefault", nullptr, 0, def)) && AddFolder(folders, def, 0))
    AddSubFolders(folders, def, 1);
  if (SUCCEEDED(GetObj(notebook, L"GetFolderUsers", nullptr, 0, users))) AddSubFolders(folders, users, 0);

  std::vector<std::wstring> tags;
  CComPtr<IDispatch> tagList;
  long tagCount = 0;
  if (SUCCEEDED(GetObj(notebook, L"GetTags", nullptr, 0, tagList)) && SUCCEEDED(GetLong(tagList, L"GetCount", &tagCount))) {
    for (long i = 0; i < tagCount; ++i) {
      CComVariant index(i);
      CComPtr<IDispatch> tag;
      std::wstring name;
      if (SUCCEEDED(GetObj(tagList, L"GetTagItem", &index, 1, tag)) && SUCCEEDED(GetText(tag, L"GetTagName", &name)))
        tags.push_back(name);
    }
  }

  SaveDialogData data;
  GetText(m_pendingMails.front(), L"Subject", &data.title);
  data.several = m_pendingMails.size() >= 2;
  data.folders = &folders;
  data.tags = &tags;
  INT_PTR result = RunSaveDialog(data);
  if (result != IDOK || !data.chosen) return;

  CComVariant yes(true);
  Call(m_pelora, L"ShowApp", &yes, 1, nullptr);
  size_t sent = 0, total = m_pendingMails.size();
  std::wstring problems;
  for (size_t i = 0; i < total; ++i) {
    std::wstring problem;
    ImportResult r = ImportMailItem(data.chosen->folder, m_pendingMails[i], i == 0 ? &data.title : nullptr,
                                    data.saveAttachments, data.checkedTags, &problem);
    if (r == ImportSent) ++sent;
    if (r == ImportFailed && problems.find(problem) == std::wstring::npos) problems += problem + L"\n";
    if (r == ImportProgramGone) {
      ReportToUser(L"Pelora stopped while the mails were being sent: " + std::to_wstring(sent) + L" of " +
                   std::to_wstring(total) + L" arrived. Start Pelora and send the others again.");
      return;
    }
  }
  if (!problems.empty()) ReportToUser(problems + std::to_wstring(sent) + L" of " + std::to_wstring(total) + L" mails arrived.");
}

}  // namespace Mailvane
