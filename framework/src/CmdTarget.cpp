// Message-map lookup and command dispatch.
#include "Framework.h"
#include "FxCmdTarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, FxSig_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT nMsg, UINT nCode,
                                                     UINT nID) {
  for (; map != nullptr; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->nSig != FxSig_end; ++e) {
      UINT msg = e->pnRegistered ? *e->pnRegistered : e->nMessage;
      if (e->pnRegistered && msg == 0) continue;  // not registered yet
      if (msg == nMsg && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID) return e;
    }
  }
  return nullptr;
}

BOOL AfxDispatchCmdMsg(CCmdTarget* target, UINT nID, int nCode, AFX_PMSG pfn, void* pExtra,
                       UINT_PTR nSig) {
  switch (nSig) {
    case FxSig_v_v:
      (target->*pfn)();
      return TRUE;
    case FxSig_b_v:
      return (target->*reinterpret_cast<BOOL (CCmdTarget::*)()>(pfn))();
    case FxSig_v_u:
      (target->*reinterpret_cast<void (CCmdTarget::*)(UINT)>(pfn))(nID);
      return TRUE;
    case FxSig_b_u:
      return (target->*reinterpret_cast<BOOL (CCmdTarget::*)(UINT)>(pfn))(nID);
    case FxSig_cmdui: {
      CCmdUI* ui = static_cast<CCmdUI*>(pExtra);
      ui->m_bContinueRouting = FALSE;
      (target->*reinterpret_cast<void (CCmdTarget::*)(CCmdUI*)>(pfn))(ui);
      return !ui->m_bContinueRouting;
    }
    case FxSig_notify: {
      AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(pExtra);
      (target->*reinterpret_cast<void (CCmdTarget::*)(NMHDR*, LRESULT*)>(pfn))(n->pNMHDR, n->pResult);
      return TRUE;
    }
    case FxSig_notify_b: {
      AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(pExtra);
      return (target->*reinterpret_cast<BOOL (CCmdTarget::*)(NMHDR*, LRESULT*)>(pfn))(n->pNMHDR,
                                                                                     n->pResult);
    }
    case FxSig_notify_range: {
      AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(pExtra);
      (target->*reinterpret_cast<void (CCmdTarget::*)(UINT, NMHDR*, LRESULT*)>(pfn))(nID, n->pNMHDR,
                                                                                    n->pResult);
      return TRUE;
    }
    case FxSig_notify_range_b: {
      AFX_NOTIFY* n = static_cast<AFX_NOTIFY*>(pExtra);
      return (target->*reinterpret_cast<BOOL (CCmdTarget::*)(UINT, NMHDR*, LRESULT*)>(pfn))(
          nID, n->pNMHDR, n->pResult);
    }
  }
  ASSERT(!"command handler with a window-message signature");
  return FALSE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  // nCode carries the message in its high word for WM_NOTIFY; CN_UPDATE_COMMAND_UI is whole.
  UINT nMsg = WM_COMMAND;
  UINT code = (UINT)nCode;
  if (code != CN_UPDATE_COMMAND_UI) {
    if (HIWORD(code) != 0) nMsg = HIWORD(code);
    code = LOWORD(code);
  }
  const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), nMsg, code, nID);
  if (!e) return FALSE;
  if (pHandlerInfo) {
    pHandlerInfo->pTarget = this;
    pHandlerInfo->pmf = e->pfn;
    return TRUE;
  }
  return AfxDispatchCmdMsg(this, nID, nCode, e->pfn, pExtra, e->nSig);
}

BOOL CCmdTarget::DispatchThreadMessage(const MSG* pMsg) {
  const AFX_MSGMAP_ENTRY* e = FindMessageEntry(GetMessageMap(), pMsg->message, 0, 0);
  if (!e || e->nSig != FxSig_v_w_l) return FALSE;
  (this->*reinterpret_cast<void (CCmdTarget::*)(WPARAM, LPARAM)>(e->pfn))(pMsg->wParam, pMsg->lParam);
  return TRUE;
}

void CCmdTarget::BeginWaitCursor() {
  _AFX_THREAD_STATE* st = AfxGetThreadState();
  HCURSOR prev = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  if (st->m_nWaitCursorCount++ == 0) st->m_hcurWaitCursorRestore = prev;
}

void CCmdTarget::EndWaitCursor() {
  _AFX_THREAD_STATE* st = AfxGetThreadState();
  if (st->m_nWaitCursorCount > 0 && --st->m_nWaitCursorCount == 0) {
    ::SetCursor(st->m_hcurWaitCursorRestore ? st->m_hcurWaitCursorRestore
                                            : ::LoadCursor(nullptr, IDC_ARROW));
  }
}

void CCmdTarget::RestoreWaitCursor() {
  if (AfxGetThreadState()->m_nWaitCursorCount > 0) ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
}

_AFX_THREAD_STATE* AfxGetThreadState() {
  static thread_local _AFX_THREAD_STATE state;
  return &state;
}
