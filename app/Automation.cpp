#include "Automation.h"
#include "Notebook.h"
#include "FolderItem.h"
#include "TagList.h"
#include "ActivityLog.h"
#include <algorithm>

namespace PeloraShell {

// {E2608EE4-3226-4B0F-8376-BE8851959E45}
const GUID kPeloraAppId = {0xe2608ee4, 0x3226, 0x4b0f, {0x83, 0x76, 0xbe, 0x88, 0x51, 0x95, 0x9e, 0x45}};

namespace {

IAutomationHost* g_host = nullptr;
// The live application objects, in creation order.
std::vector<CPeloraApplication*> g_applications;

const wchar_t kNoHost[] = L"Pelora is not running as an application.";
const wchar_t kNoNotebook[] = L"No account is signed in: there is no notebook.";

HRESULT NullPointer(REFIID iid) { return AutomationError(E_POINTER, iid, L"A result pointer is null."); }

} // namespace

void SetAutomationHost(IAutomationHost* host) { g_host = host; }
IAutomationHost* GetAutomationHost() { return g_host; }

HRESULT AutomationError(HRESULT hr, REFIID iid, const wchar_t* text)
{
    ICreateErrorInfo* create = nullptr;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(iid);
        create->SetSource(const_cast<LPOLESTR>(L"Pelora.Application"));
        create->SetDescription(const_cast<LPOLESTR>(text));
        IErrorInfo* info = nullptr;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, (void**)&info))) {
            SetErrorInfo(0, info);
            info->Release();
        }
        create->Release();
    }
    return hr;
}

// ---------------------------------------------------------------- application

HRESULT CPeloraApplication::FinalConstruct()
{
    CComObject<CPeloraNotebookObject>* notebook = nullptr;
    HRESULT hr = CComObject<CPeloraNotebookObject>::CreateInstance(&notebook);
    if (FAILED(hr))
        return hr;
    notebook->AddRef();
    hr = notebook->QueryInterface(IID_IDispatch, (void**)&m_notebook);
    notebook->Release();
    if (FAILED(hr))
        return hr;
    g_applications.push_back(this);
    return S_OK;
}

void CPeloraApplication::FinalRelease()
{
    g_applications.erase(std::remove(g_applications.begin(), g_applications.end(), this), g_applications.end());
    m_vec.RemoveAll();
    if (m_notebook) {
        m_notebook->Release();
        m_notebook = nullptr;
    }
}

int CPeloraApplication::GetLiveCount() { return (int)g_applications.size(); }

int CPeloraApplication::FireLoginChanged(long state)
{
    CComVariant args[2] = {CComVariant(GetUnknown()), CComVariant((long)state)};
    int called = 0;
    FireDispEvent(1, args, 2, &called);
    return called;
}

void CPeloraApplication::FireLoginChangedAll(long state)
{
    // a sink may release its object while it is called: hold each one for its turn
    std::vector<CPeloraApplication*> objects = g_applications;
    for (CPeloraApplication* app : objects)
        app->GetUnknown()->AddRef();
    for (CPeloraApplication* app : objects) {
        app->FireLoginChanged(state);
        app->GetUnknown()->Release();
    }
}

STDMETHODIMP CPeloraApplication::IsAppInited(VARIANT_BOOL* bRes)
{
    if (!bRes)
        return NullPointer(IID_IPeloraApplication);
    *bRes = g_host && g_host->IsAppInited() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CPeloraApplication::ShowApp(VARIANT_BOOL bShow)
{
    if (!g_host)
        return AutomationError(E_FAIL, IID_IPeloraApplication, kNoHost);
    return g_host->ShowApp(bShow != VARIANT_FALSE);
}

STDMETHODIMP CPeloraApplication::GetLoginState(LONG* state)
{
    if (!g_host)
        return AutomationError(E_FAIL, IID_IPeloraApplication, kNoHost);
    long value = 0;
    HRESULT hr = g_host->GetLoginState(state ? &value : nullptr);
    if (hr == E_FAIL)
        return AutomationError(hr, IID_IPeloraApplication, L"Pelora has not finished starting.");
    if (hr == E_INVALIDARG)
        return AutomationError(hr, IID_IPeloraApplication, L"The state pointer is null.");
    if (SUCCEEDED(hr))
        *state = value;
    return hr;
}

STDMETHODIMP CPeloraApplication::ShowAuthWindow(VARIANT_BOOL bShowMainWnd)
{
    if (!g_host)
        return AutomationError(E_FAIL, IID_IPeloraApplication, kNoHost);
    HRESULT hr = g_host->ShowAuthWindow(bShowMainWnd);
    if (hr == E_FAIL)
        return AutomationError(hr, IID_IPeloraApplication, L"Pelora has not finished starting.");
    return hr;
}

STDMETHODIMP CPeloraApplication::GetActiveNotebook(IDispatch** pNotebook)
{
    if (!pNotebook)
        return NullPointer(IID_IPeloraApplication);
    *pNotebook = nullptr;
    if (!m_notebook)
        return AutomationError(E_FAIL, IID_IPeloraApplication, kNoNotebook);
    return m_notebook->QueryInterface(IID_IDispatch, (void**)pNotebook);
}

STDMETHODIMP CPeloraApplication::ExecCmd(BSTR bstrCmd, LONG* retVal)
{
    if (!g_host)
        return AutomationError(E_FAIL, IID_IPeloraApplication, kNoHost);
    if (!retVal)
        return NullPointer(IID_IPeloraApplication);
    long result = -1;
    HRESULT hr = g_host->ExecCmd(CString(bstrCmd ? bstrCmd : L"", bstrCmd ? (int)SysStringLen(bstrCmd) : 0), &result);
    if (hr == E_FAIL)
        return AutomationError(hr, IID_IPeloraApplication, L"Pelora has not finished starting.");
    if (SUCCEEDED(hr))
        *retVal = result;
    return hr;
}

// ---------------------------------------------------------------- notebook

HRESULT CPeloraNotebookObject::FinalConstruct()
{
    CComObject<CPeloraTagsObject>* tags = nullptr;
    HRESULT hr = CComObject<CPeloraTagsObject>::CreateInstance(&tags);
    if (FAILED(hr))
        return hr;
    tags->AddRef();
    hr = tags->QueryInterface(IID_IDispatch, (void**)&m_tags);
    tags->Release();
    return hr;
}

void CPeloraNotebookObject::FinalRelease()
{
    m_vec.RemoveAll();
    if (m_tags) {
        m_tags->Release();
        m_tags = nullptr;
    }
}

STDMETHODIMP CPeloraNotebookObject::GetFolderCount(LONG* cnt)
{
    if (!cnt)
        return NullPointer(IID_IPeloraNotebook);
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    *cnt = book ? book->GetFolderMapCount() : 0;
    return S_OK;
}

STDMETHODIMP CPeloraNotebookObject::GetFolderItem(LONG ind, IDispatch** pItem)
{
    if (!pItem)
        return NullPointer(IID_IPeloraNotebook);
    *pItem = nullptr;
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    int count = book ? book->GetFolderMapCount() : 0;
    if (ind < 0 || ind >= count)
        return AutomationError(E_INVALIDARG, IID_IPeloraNotebook, L"The folder index is out of range.");
    Pelora::CFolderItem* folder = book->GetFolderByIndex((int)ind);
    if (!folder)
        return AutomationError(E_FAIL, IID_IPeloraNotebook, L"The folder is gone.");
    return CPeloraFolderObject::Create(folder, pItem);
}

STDMETHODIMP CPeloraNotebookObject::GetTags(IDispatch** pTags)
{
    if (!pTags)
        return NullPointer(IID_IPeloraNotebook);
    *pTags = nullptr;
    return m_tags->QueryInterface(IID_IDispatch, (void**)pTags);
}

HRESULT CPeloraNotebookObject::FolderById(const wchar_t* id, IDispatch** out)
{
    if (!out)
        return NullPointer(IID_IPeloraNotebook);
    *out = nullptr;
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    if (!book)
        return AutomationError(E_FAIL, IID_IPeloraNotebook, kNoNotebook);
    Pelora::CFolderItem* folder = book->GetFolder(id, 0);
    if (!folder)
        return AutomationError(E_FAIL, IID_IPeloraNotebook, L"The notebook has no such folder.");
    return CPeloraFolderObject::Create(folder, out);
}

STDMETHODIMP CPeloraNotebookObject::GetFolderDefault(IDispatch** pDisp) { return FolderById(Pelora::kDefaultFolderId, pDisp); }
STDMETHODIMP CPeloraNotebookObject::GetFolderUsers(IDispatch** pDisp) { return FolderById(Pelora::kUserFolderId, pDisp); }

// ---------------------------------------------------------------- folder

HRESULT CPeloraFolderObject::Create(Pelora::CFolderItem* folder, IDispatch** out)
{
    *out = nullptr;
    CComObject<CPeloraFolderObject>* obj = nullptr;
    HRESULT hr = CComObject<CPeloraFolderObject>::CreateInstance(&obj);
    if (FAILED(hr))
        return hr;
    obj->m_folderId = folder->GetFolderId();
    obj->m_generation = g_host ? g_host->GetProfileGeneration() : -1;
    obj->AddRef();
    hr = obj->QueryInterface(IID_IDispatch, (void**)out);
    obj->Release();
    return hr;
}

Pelora::CFolderItem* CPeloraFolderObject::Resolve(HRESULT& hr)
{
    hr = S_OK;
    if (m_folderId.IsEmpty()) {
        // made directly by a client: it stands for no folder
        hr = AutomationError(E_POINTER, IID_IPeloraFolder, L"This folder object holds no folder.");
        return nullptr;
    }
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    Pelora::CFolderItem* folder = nullptr;
    if (book && g_host->GetProfileGeneration() == m_generation)
        folder = book->FindFolder(m_folderId);
    if (!folder)
        hr = AutomationError(E_FAIL, IID_IPeloraFolder, L"The folder is gone (the account signed out or the folder was removed).");
    return SUCCEEDED(hr) ? folder : nullptr;
}

STDMETHODIMP CPeloraFolderObject::GetFolderName(BSTR* pName)
{
    if (!pName)
        return NullPointer(IID_IPeloraFolder);
    *pName = nullptr;
    HRESULT hr;
    Pelora::CFolderItem* folder = Resolve(hr);
    if (!folder)
        return hr;
    CString name = folder->GetName();
    *pName = SysAllocStringLen(name.GetString(), name.GetLength());
    return *pName ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CPeloraFolderObject::GetFolderType(LONG* pType)
{
    if (!pType)
        return NullPointer(IID_IPeloraFolder);
    HRESULT hr;
    Pelora::CFolderItem* folder = Resolve(hr);
    if (!folder)
        return hr;
    long type = folder->GetType();
    CString id = folder->GetFolderId();
    if (id == Pelora::kConflictFolderId)
        type = FolderTypeConflicts;
    else if (id == Pelora::kUserFolderId)
        type = FolderTypeUserRoot;
    *pType = type;
    return S_OK;
}

STDMETHODIMP CPeloraFolderObject::ImportNotes(BSTR strParam, LONG flags, LONG* err_code)
{
    if (!err_code)
        return NullPointer(IID_IPeloraFolder);
    if (flags != importXmlDescriptor)
        return AutomationError(E_INVALIDARG, IID_IPeloraFolder, L"Unknown import flags: only 1 (an XML descriptor) is known.");
    HRESULT hr;
    Pelora::CFolderItem* folder = Resolve(hr);
    if (!folder)
        return hr;
    *err_code = g_host->ImportNotes(folder, strParam ? strParam : L"");
    return S_OK;
}

STDMETHODIMP CPeloraFolderObject::GetSubFolderCount(LONG* pCnt)
{
    if (!pCnt)
        return NullPointer(IID_IPeloraFolder);
    HRESULT hr;
    Pelora::CFolderItem* folder = Resolve(hr);
    if (!folder)
        return hr;
    *pCnt = folder->GetFolderCount();
    return S_OK;
}

STDMETHODIMP CPeloraFolderObject::GetSubFolderItem(LONG ind, IDispatch** pDisp)
{
    if (!pDisp)
        return NullPointer(IID_IPeloraFolder);
    *pDisp = nullptr;
    HRESULT hr;
    Pelora::CFolderItem* folder = Resolve(hr);
    if (!folder)
        return hr;
    if (ind < 0 || ind >= folder->GetFolderCount())
        return AutomationError(E_INVALIDARG, IID_IPeloraFolder, L"The subfolder index is out of range.");
    Pelora::CFolderItem* child = folder->GetFolderItem((int)ind);
    if (!child)
        return AutomationError(E_FAIL, IID_IPeloraFolder, L"The subfolder is gone.");
    return Create(child, pDisp);
}

// ---------------------------------------------------------------- tags

STDMETHODIMP CPeloraTagsObject::GetCount(LONG* cnt)
{
    if (!cnt)
        return NullPointer(IID_IPeloraTags);
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    *cnt = book ? book->GetTagList()->GetCount() : 0;
    return S_OK;
}

STDMETHODIMP CPeloraTagsObject::GetTagItem(LONG ind, IDispatch** pItem)
{
    if (!pItem)
        return NullPointer(IID_IPeloraTags);
    *pItem = nullptr;
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    int count = book ? book->GetTagList()->GetCount() : 0;
    if (ind < 0 || ind >= count)
        return AutomationError(E_INVALIDARG, IID_IPeloraTags, L"The tag index is out of range.");
    Pelora::CTagItem* tag = book->GetTagList()->GetAt((int)ind);
    if (!tag)
        return AutomationError(E_FAIL, IID_IPeloraTags, L"The tag is gone.");
    return CPeloraTagObject::Create(tag->GetItemId(), pItem);
}

HRESULT CPeloraTagObject::Create(int tagItemId, IDispatch** out)
{
    *out = nullptr;
    CComObject<CPeloraTagObject>* obj = nullptr;
    HRESULT hr = CComObject<CPeloraTagObject>::CreateInstance(&obj);
    if (FAILED(hr))
        return hr;
    obj->m_tagItemId = tagItemId;
    obj->m_generation = g_host ? g_host->GetProfileGeneration() : -1;
    obj->AddRef();
    hr = obj->QueryInterface(IID_IDispatch, (void**)out);
    obj->Release();
    return hr;
}

STDMETHODIMP CPeloraTagObject::GetTagName(BSTR* bstrName)
{
    if (!bstrName)
        return NullPointer(IID_IPeloraTag);
    *bstrName = nullptr;
    if (!m_tagItemId)
        return AutomationError(E_POINTER, IID_IPeloraTag, L"This tag object holds no tag.");
    Pelora::CNotebook* book = g_host ? g_host->GetNotebook() : nullptr;
    if (book && g_host->GetProfileGeneration() == m_generation) {
        Pelora::CTagList* tags = book->GetTagList();
        for (int i = 0; i < tags->GetCount(); ++i) {
            Pelora::CTagItem* tag = tags->GetAt(i);
            if (tag && tag->GetItemId() == m_tagItemId) {
                CString name = tag->GetTagName();
                *bstrName = SysAllocStringLen(name.GetString(), name.GetLength());
                return *bstrName ? S_OK : E_OUTOFMEMORY;
            }
        }
    }
    return AutomationError(E_FAIL, IID_IPeloraTag, L"The tag is gone (the account signed out or the tag was removed).");
}

// ---------------------------------------------------------------- object map

ComObjectMapEntry* GetObjectMap()
{
    BEGIN_OBJECT_MAP(s_map)
        OBJECT_ENTRY(CLSID_PeloraNotebook, CPeloraNotebookObject)
        OBJECT_ENTRY(CLSID_PeloraTags, CPeloraTagsObject)
        OBJECT_ENTRY(CLSID_PeloraApplication, CPeloraApplication)
        OBJECT_ENTRY(CLSID_HtmlEventObject, CHtmlEventObject)
        OBJECT_ENTRY(CLSID_PeloraFolder, CPeloraFolderObject)
        OBJECT_ENTRY(CLSID_PeloraTag, CPeloraTagObject)
    END_OBJECT_MAP()
    return s_map;
}

} // namespace PeloraShell
