// COleDropTarget: IDropTarget calls turned into the window's On* handlers.
#include "OleData.h"

IMPLEMENT_DYNAMIC(COleDropTarget, CCmdTarget)

namespace {

const DWORD kMainEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// What the source allows of an answer; the scroll bit is feedback and always passes.
DWORD Filter(DROPEFFECT answer, DWORD allowed) {
  return (answer & allowed & kMainEffects) | (answer & DROPEFFECT_SCROLL);
}

}  // namespace

// The COM object OLE holds. It has its own reference count so that a drag still under way when
// the owner goes away finds an orphan that refuses everything instead of a dangling pointer.
// final: it deletes itself through its own type, and nothing derives from it.
class COleDropTarget::XDropTarget final : public IDropTarget {
 public:
  explicit XDropTarget(COleDropTarget* owner) : m_owner(owner) {}
  COleDropTarget* m_owner;

  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return (ULONG)InterlockedIncrement(&m_ref); }
  STDMETHOD_(ULONG, Release)() override {
    LONG n = InterlockedDecrement(&m_ref);
    if (n == 0) delete this;
    return (ULONG)n;
  }

  STDMETHOD(DragEnter)(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    COleDropTarget* t = m_owner;
    if (!t || !t->m_hWnd) return S_OK;
    if (data) data->AddRef();
    if (t->m_dragData) t->m_dragData->Release();
    t->m_dragData = data;
    CPoint point = t->ToClient(pt);
    COleDataObject obj;
    obj.Attach(data, FALSE);
    DROPEFFECT answer = t->OnDragScroll(t->m_pWnd, keyState, point);
    if (!(answer & DROPEFFECT_SCROLL)) answer = t->OnDragEnter(t->m_pWnd, &obj, keyState, point);
    *effect = Filter(answer, allowed);
    return S_OK;
  }

  STDMETHOD(DragOver)(DWORD keyState, POINTL pt, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    COleDropTarget* t = m_owner;
    if (!t || !t->m_hWnd) return S_OK;
    CPoint point = t->ToClient(pt);
    COleDataObject obj;
    obj.Attach(t->m_dragData, FALSE);
    DROPEFFECT answer = t->OnDragScroll(t->m_pWnd, keyState, point);
    if (!(answer & DROPEFFECT_SCROLL)) answer = t->OnDragOver(t->m_pWnd, &obj, keyState, point);
    *effect = Filter(answer, allowed);
    return S_OK;
  }

  STDMETHOD(DragLeave)() override {
    COleDropTarget* t = m_owner;
    if (!t) return S_OK;
    if (t->m_hWnd) t->OnDragLeave(t->m_pWnd);
    t->ReleaseDragData();
    return S_OK;
  }

  STDMETHOD(Drop)(IDataObject* data, DWORD keyState, POINTL pt, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    COleDropTarget* t = m_owner;
    if (!t || !t->m_hWnd) {
      if (t) t->ReleaseDragData();
      return S_OK;
    }
    CPoint point = t->ToClient(pt);
    COleDataObject obj;
    obj.Attach(data ? data : t->m_dragData, FALSE);
    // the effect under the keys held at the moment of the drop
    DROPEFFECT chosen = Filter(t->OnDragOver(t->m_pWnd, &obj, keyState, point), allowed) & kMainEffects;
    DROPEFFECT result = t->OnDropEx(t->m_pWnd, &obj, chosen, allowed, point);
    if (result == (DROPEFFECT)-1)
      result = (chosen != DROPEFFECT_NONE && t->OnDrop(t->m_pWnd, &obj, chosen, point)) ? chosen : DROPEFFECT_NONE;
    else
      result = Filter(result, allowed) & kMainEffects;
    *effect = result;
    t->OnDragLeave(t->m_pWnd);
    t->ReleaseDragData();
    return S_OK;
  }

 private:
  LONG m_ref = 1;
};

COleDropTarget::COleDropTarget() : m_xDropTarget(new XDropTarget(this)) {}

COleDropTarget::~COleDropTarget() {
  Revoke();
  ReleaseDragData();
  m_xDropTarget->m_owner = nullptr;
  m_xDropTarget->Release();
}

IDropTarget* COleDropTarget::GetDropTarget() { return m_xDropTarget; }

BOOL COleDropTarget::RegisterWindow(CWnd* wnd, HWND hwnd) {
  if (m_hWnd || !hwnd || !IsWindow(hwnd)) return FALSE;
  if (FAILED(RegisterDragDrop(hwnd, m_xDropTarget))) return FALSE;
  m_pWnd = wnd;
  m_hWnd = hwnd;
  return TRUE;
}

void COleDropTarget::Revoke() {
  if (!m_hWnd) return;
  RevokeDragDrop(m_hWnd);
  m_hWnd = nullptr;
  m_pWnd = nullptr;
}

CPoint COleDropTarget::ToClient(POINTL pt) const {
  POINT p = {pt.x, pt.y};
  ScreenToClient(m_hWnd, &p);
  return CPoint(p);
}

void COleDropTarget::ReleaseDragData() {
  if (m_dragData) m_dragData->Release();
  m_dragData = nullptr;
}

DROPEFFECT COleDropTarget::OnDragEnter(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }

DROPEFFECT COleDropTarget::OnDragOver(CWnd*, COleDataObject*, DWORD, CPoint) { return DROPEFFECT_NONE; }

BOOL COleDropTarget::OnDrop(CWnd*, COleDataObject*, DROPEFFECT, CPoint) { return FALSE; }

DROPEFFECT COleDropTarget::OnDropEx(CWnd*, COleDataObject*, DROPEFFECT, DROPEFFECT, CPoint) {
  return (DROPEFFECT)-1;
}

void COleDropTarget::OnDragLeave(CWnd*) {}

DROPEFFECT COleDropTarget::OnDragScroll(CWnd*, DWORD, CPoint) { return DROPEFFECT_NONE; }
