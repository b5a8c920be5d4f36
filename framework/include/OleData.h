// OLE start-up and data transfer: COleDataSource (the dragging or copying side, over IDataObject
// and IDropSource), COleDataObject (the receiving side) and COleDropSource (drag feedback).
#pragma once
#include <windows.h>
#include <ole2.h>

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
