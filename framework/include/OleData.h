// OLE start-up and data transfer: COleDataSource (the dragging or copying side, over IDataObject
// and IDropSource), COleDataObject (the receiving side), COleDropSource (drag feedback) and
// COleDropTarget (a window that accepts drops).
#pragma once
#include <winsock2.h>  // before windows.h, as the rest of the framework includes them
#include <windows.h>
#include <ole2.h>
#include "FxCmdTarget.h"
#include "FxGeom.h"

class CWnd;

// The effect of a drop (DROPEFFECT_NONE, _COPY, _MOVE, _LINK, _SCROLL).
typedef DWORD DROPEFFECT;

// OleInitialize for the calling (user-interface) thread; FALSE when OLE cannot start.
BOOL AfxOleInit();
// Flushes a clipboard the program still owns (so its data outlives the program) and, unless
// justRevoke, undoes AfxOleInit.
void AfxOleTerm(BOOL justRevoke = FALSE);
// Controls need nothing extra here.
inline void AfxEnableControlContainer(void* = nullptr) {}

// Decides how a drag goes on; the default follows the mouse button that started the drag.
class COleDropSource {
public:
  virtual ~COleDropSource() = default;
  // Escape cancels; releasing the starting button drops; pressing the other button cancels.
  virtual SCODE QueryContinueDrag(BOOL escapePressed, DWORD keyState);
  virtual SCODE GiveFeedback(DROPEFFECT effect);

  DWORD m_buttonDrop = 0;    // MK_LBUTTON or MK_RBUTTON: the button whose release drops
  DWORD m_buttonCancel = 0;  // the other one
};

class COleDataSourceImpl;

// Offers data in cached clipboard formats. The cache owns what is handed to it and frees it when
// the source is emptied or its last user (a drag, the clipboard, this object) lets go.
class COleDataSource {
public:
  COleDataSource();
  virtual ~COleDataSource();
  COleDataSource(const COleDataSource&) = delete;
  COleDataSource& operator=(const COleDataSource&) = delete;

  // Takes ownership of global (content aspect, index -1, HGLOBAL medium unless format says else).
  void CacheGlobalData(CLIPFORMAT format, HGLOBAL global, LPFORMATETC formatEtc = nullptr);
  // Takes ownership of the medium.
  void CacheData(CLIPFORMAT format, LPSTGMEDIUM medium, LPFORMATETC formatEtc = nullptr);
  void Empty();

  // Runs the drag; the start rectangle is not used (the drag starts at once). Returns the
  // effect of the drop, DROPEFFECT_NONE when cancelled or refused.
  DROPEFFECT DoDragDrop(DWORD effects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK,
                        LPCRECT startDrag = nullptr, COleDropSource* dropSource = nullptr);
  // Puts the data on the OLE clipboard (the clipboard keeps its own reference).
  BOOL SetClipboard();
  static void FlushClipboard();
  // The data source whose data is on the clipboard, when one of this process's is.
  static COleDataSource* GetClipboardOwner();

  // The data source's IDataObject (no reference added).
  IDataObject* GetDataObject() const;

private:
  COleDataSourceImpl* m_object;
};

// Reads data from an IDataObject: a drag's or the clipboard's.
class COleDataObject {
public:
  COleDataObject() = default;
  ~COleDataObject() { Release(); }
  COleDataObject(const COleDataObject&) = delete;
  COleDataObject& operator=(const COleDataObject&) = delete;

  void Attach(IDataObject* data, BOOL autoRelease = TRUE);
  IDataObject* Detach();
  void Release();
  BOOL AttachClipboard();
  IDataObject* GetIDataObject(BOOL addRef) const;

  // Default format: content aspect, index -1, any medium (HGLOBAL for GetGlobalData).
  BOOL IsDataAvailable(CLIPFORMAT format, LPFORMATETC formatEtc = nullptr) const;
  BOOL GetData(CLIPFORMAT format, LPSTGMEDIUM medium, LPFORMATETC formatEtc = nullptr) const;
  // A global block the caller owns (a copy when the medium belongs to someone else), or nullptr.
  HGLOBAL GetGlobalData(CLIPFORMAT format, LPFORMATETC formatEtc = nullptr) const;

  void BeginEnumFormats();
  BOOL GetNextFormat(LPFORMATETC formatEtc);

private:
  IDataObject* m_data = nullptr;
  BOOL m_autoRelease = TRUE;
  IEnumFORMATETC* m_enum = nullptr;
};

// Makes a window a drop target. Derived classes override the On* handlers; OLE's IDropTarget
// calls reach them with the point in the window's client coordinates. Answers outside the
// effects the source allows become DROPEFFECT_NONE.
//
// A drop asks OnDragOver for the effect under the current keys, then OnDropEx and, when that
// declines (returns -1), OnDrop; OnDragLeave follows every drop, so per-drag state is reset in
// one place.
class COleDropTarget : public CCmdTarget {
  DECLARE_DYNAMIC(COleDropTarget)
 public:
  COleDropTarget();
  ~COleDropTarget() override;
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  // RegisterDragDrop on the window (any CWnd-derived class); FALSE when OLE refuses it or the
  // target is registered already.
  template <class W>
  BOOL Register(W* wnd) {
    return RegisterWindow(wnd, wnd ? wnd->GetSafeHwnd() : nullptr);
  }
  BOOL RegisterWindow(CWnd* wnd, HWND hwnd);
  virtual void Revoke();
  HWND GetWindowHandle() const { return m_hWnd; }

  virtual DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
  virtual DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point);
  virtual BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point);
  // -1: not handled here, OnDrop decides.
  virtual DROPEFFECT OnDropEx(CWnd* wnd, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList,
                              CPoint point);
  virtual void OnDragLeave(CWnd* wnd);
  // Asked before OnDragEnter/OnDragOver; an answer with DROPEFFECT_SCROLL stands instead of theirs.
  virtual DROPEFFECT OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point);

  // The OLE side (what RegisterDragDrop was given; tests call it directly). No reference added.
  IDropTarget* GetDropTarget();

 private:
  class XDropTarget;
  friend class XDropTarget;
  CPoint ToClient(POINTL screen) const;
  void ReleaseDragData();
  XDropTarget* m_xDropTarget;
  CWnd* m_pWnd = nullptr;
  HWND m_hWnd = nullptr;
  IDataObject* m_dragData = nullptr;  // the data of the drag in progress, one reference
};
