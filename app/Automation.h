// The automation objects of the local server: the application (with its login event), the
// notebook, folders, the tag list and tags, and the editor's event object. Folder and tag
// objects hold ids, never item pointers: once the item is gone (logout, removal) they answer
// E_FAIL with a description instead of touching freed memory.
#pragma once
#include "AutomationHost.h"
#include "AtlModule.h"
#include "PeloraLib.h"
#include <vector>

namespace PeloraShell {

// Registration script resources of the server.
enum : UINT {
    IDR_HTMLEVENTOBJECT = 105,
    IDR_PELORAAPPLICATION = 108,
    IDR_PELORANOTEBOOK = 109,
    IDR_PELORAFOLDER = 110,
    IDR_PELORATAGS = 111,
    IDR_PELORATAG = 112,
    IDR_PELORA_APPID = 222,
};

extern const GUID kPeloraAppId;

// Sets the description of a failure for the calling client (IErrorInfo) and returns hr.
HRESULT AutomationError(HRESULT hr, REFIID iid, const wchar_t* text);

// Answers ISupportErrorInfo for the one interface of an object.
template <const IID* piid>
class CSupportErrorInfo : public ISupportErrorInfo {
public:
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID iid) override { return iid == *piid ? S_OK : S_FALSE; }
};

class CPeloraApplication
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CPeloraApplication, &CLSID_PeloraApplication>,
      public IDispatchImpl<IPeloraApplication, &IID_IPeloraApplication, &LIBID_PeloraLib>,
      public CSupportErrorInfo<&IID_IPeloraApplication>,
      public IConnectionPointContainerImpl<CPeloraApplication>,
      public IConnectionPointImpl<CPeloraApplication, &DIID_IPeloraApplicationEvent> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_PELORAAPPLICATION)
    BEGIN_COM_MAP(CPeloraApplication)
        COM_INTERFACE_ENTRY(IPeloraApplication)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
        COM_INTERFACE_ENTRY(IConnectionPointContainer)
    END_COM_MAP()
    BEGIN_CONNECTION_POINT_MAP(CPeloraApplication)
        CONNECTION_POINT_ENTRY(DIID_IPeloraApplicationEvent)
    END_CONNECTION_POINT_MAP()

    HRESULT FinalConstruct();
    void FinalRelease();

    STDMETHOD(IsAppInited)(VARIANT_BOOL* bRes) override;
    STDMETHOD(ShowApp)(VARIANT_BOOL bShow) override;
    STDMETHOD(GetLoginState)(LONG* state) override;
    STDMETHOD(ShowAuthWindow)(VARIANT_BOOL bShowMainWnd) override;
    STDMETHOD(GetActiveNotebook)(IDispatch** pNotebook) override;
    STDMETHOD(ExecCmd)(BSTR bstrCmd, LONG* retVal) override;

    // OnLoginChanged(this object, state) to every sink; errors of one sink do not stop the
    // others. The number of sinks reached.
    int FireLoginChanged(long state);

    // The live application objects: their count is the number of connected clients.
    static int GetLiveCount();
    // Fires OnLoginChanged on every live application object.
    static void FireLoginChangedAll(long state);

private:
    IDispatch* m_notebook = nullptr;  // its own notebook object
};

class CPeloraNotebookObject
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CPeloraNotebookObject, &CLSID_PeloraNotebook>,
      public IDispatchImpl<IPeloraNotebook, &IID_IPeloraNotebook, &LIBID_PeloraLib>,
      public CSupportErrorInfo<&IID_IPeloraNotebook>,
      public IConnectionPointContainerImpl<CPeloraNotebookObject>,
      public IConnectionPointImpl<CPeloraNotebookObject, &DIID__IPeloraNotebookEvents> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_PELORANOTEBOOK)
    BEGIN_COM_MAP(CPeloraNotebookObject)
        COM_INTERFACE_ENTRY(IPeloraNotebook)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
        COM_INTERFACE_ENTRY(IConnectionPointContainer)
    END_COM_MAP()
    BEGIN_CONNECTION_POINT_MAP(CPeloraNotebookObject)
        CONNECTION_POINT_ENTRY(DIID__IPeloraNotebookEvents)
    END_CONNECTION_POINT_MAP()

    HRESULT FinalConstruct();
    void FinalRelease();

    STDMETHOD(GetFolderCount)(LONG* cnt) override;
    STDMETHOD(GetFolderItem)(LONG ind, IDispatch** pItem) override;
    STDMETHOD(GetTags)(IDispatch** pTags) override;
    STDMETHOD(GetFolderDefault)(IDispatch** pDisp) override;
    STDMETHOD(GetFolderUsers)(IDispatch** pDisp) override;

private:
    HRESULT FolderById(const wchar_t* id, IDispatch** out);
    IDispatch* m_tags = nullptr;  // its own tags object
};

class CPeloraFolderObject
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CPeloraFolderObject, &CLSID_PeloraFolder>,
      public IDispatchImpl<IPeloraFolder, &IID_IPeloraFolder, &LIBID_PeloraLib>,
      public CSupportErrorInfo<&IID_IPeloraFolder> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_PELORAFOLDER)
    BEGIN_COM_MAP(CPeloraFolderObject)
        COM_INTERFACE_ENTRY(IPeloraFolder)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // A new object for folder's id in the current notebook, as IDispatch.
    static HRESULT Create(Pelora::CFolderItem* folder, IDispatch** out);

    STDMETHOD(GetFolderName)(BSTR* pName) override;
    STDMETHOD(GetFolderType)(LONG* pType) override;
    STDMETHOD(ImportNotes)(BSTR strParam, LONG flags, LONG* err_code) override;
    STDMETHOD(GetSubFolderCount)(LONG* pCnt) override;
    STDMETHOD(GetSubFolderItem)(LONG ind, IDispatch** pDisp) override;

private:
    // The folder again, or null (with the error set in hr) when the object holds none, the
    // profile changed or the folder is gone.
    Pelora::CFolderItem* Resolve(HRESULT& hr);
    CString m_folderId;
    int m_generation = -1;
};

class CPeloraTagsObject
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CPeloraTagsObject, &CLSID_PeloraTags>,
      public IDispatchImpl<IPeloraTags, &IID_IPeloraTags, &LIBID_PeloraLib>,
      public CSupportErrorInfo<&IID_IPeloraTags> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_PELORATAGS)
    BEGIN_COM_MAP(CPeloraTagsObject)
        COM_INTERFACE_ENTRY(IPeloraTags)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    STDMETHOD(GetCount)(LONG* cnt) override;
    STDMETHOD(GetTagItem)(LONG ind, IDispatch** pItem) override;
};

class CPeloraTagObject
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CPeloraTagObject, &CLSID_PeloraTag>,
      public IDispatchImpl<IPeloraTag, &IID_IPeloraTag, &LIBID_PeloraLib>,
      public CSupportErrorInfo<&IID_IPeloraTag> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_PELORATAG)
    BEGIN_COM_MAP(CPeloraTagObject)
        COM_INTERFACE_ENTRY(IPeloraTag)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    // A new object for the tag with that item id in the current notebook, as IDispatch.
    static HRESULT Create(int tagItemId, IDispatch** out);

    STDMETHOD(GetTagName)(BSTR* bstrName) override;

private:
    int m_tagItemId = 0;
    int m_generation = -1;
};

// Carries nothing yet: the editor's DOM events will travel in it.
class CHtmlEventObject
    : public CComObjectRootEx<CComSingleThreadModel>,
      public CComCoClass<CHtmlEventObject, &CLSID_HtmlEventObject>,
      public IDispatchImpl<IHtmlEventObject, &IID_IHtmlEventObject, &LIBID_PeloraLib> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_HTMLEVENTOBJECT)
    BEGIN_COM_MAP(CHtmlEventObject)
        COM_INTERFACE_ENTRY(IHtmlEventObject)
        COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()
};

// The server's object map, in registration order: notebook, tags, application, HTML event
// object, folder, tag.
ComObjectMapEntry* GetObjectMap();

} // namespace PeloraShell
