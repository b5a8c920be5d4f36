// The add-in object: connection to the mail client, buttons, ribbon, pictures.
#include "AddIn.h"
#include "Module.h"
#include <olectl.h>
#include <cwchar>

namespace Mailvane {

namespace {

const wchar_t kCaption[] = L"Send to Pelora Note";

HRESULT GetDispatch(IDispatch* obj, LPCOLESTR name, CComPtr<IDispatch>& out) {
  if (!obj) return E_POINTER;
  CComVariant v;
  HRESULT hr = CComDispatchDriver(obj).GetPropertyByName(name, &v);
  if (FAILED(hr)) return hr;
  if (v.vt != VT_DISPATCH || !v.pdispVal) return E_NOINTERFACE;
  out = v.pdispVal;
  return S_OK;
}

HRESULT Put(IDispatch* obj, LPCOLESTR name, const CComVariant& value) {
  return CComDispatchDriver(obj).PutPropertyByName(name, value);
}

// Controls.Add(Type, Id, Parameter, Before, Temporary): only the type and Temporary are given.
HRESULT AddButton(IDispatch* bar, CComPtr<IDispatch>& button) {
  CComPtr<IDispatch> controls;
  HRESULT hr = GetDispatch(bar, L"Controls", controls);
  if (FAILED(hr)) return hr;
  CComVariant missing;
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  CComVariant args[5] = {CComVariant(true), missing, missing, missing, CComVariant(1L)};  // last first
  CComVariant result;
  hr = CComDispatchDriver(controls).InvokeN(L"Add", args, 5, &result);
  if (FAILED(hr)) return hr;
  if (result.vt != VT_DISPATCH || !result.pdispVal) return E_NOINTERFACE;
  CComPtr<IDispatch> button0;
  hr = result.pdispVal->QueryInterface(IID_OfficeCommandBarButton, (void**)&button0);
  if (FAILED(hr)) return hr;
  button = button0;
  return S_OK;
}

// An OLE picture of type bitmap that owns bmp (deleted with the picture, or here on failure).
HRESULT MakePicture(HBITMAP bmp, IDispatch** out) {
  *out = nullptr;
  if (!bmp) return E_FAIL;
  PICTDESC desc = {};
  desc.cbSizeofstruct = sizeof(desc);
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bmp;
  HRESULT hr = OleCreatePictureIndirect(&desc, IID_IDispatch, TRUE, (void**)out);
  if (FAILED(hr)) DeleteObject(bmp);
  return hr;
}

}  // namespace

void CPeloraMailvane::FinalRelease() {
  // the sinks do not count references: nothing may call them once the object is gone
  if (IDispEventSimpleImpl<1, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::IsDispEventAdvised() && m_toolbarButton)
    IDispEventSimpleImpl<1, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventUnadvise(m_toolbarButton);
  if (IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::IsDispEventAdvised() && m_contextButton)
    IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventUnadvise(m_contextButton);
  if (IDispEventSimpleImpl<5, CPeloraMailvane, &DIID_OutlookApplicationEvents11>::IsDispEventAdvised() && m_outlook)
    IDispEventSimpleImpl<5, CPeloraMailvane, &DIID_OutlookApplicationEvents11>::DispEventUnadvise(m_outlook);
  ClearPendingMails();
  ReleasePeloraApplication();
  if (m_postWindow) DestroyWindow(m_postWindow);
  m_postWindow = nullptr;
}

STDMETHODIMP CPeloraMailvane::GetTypeInfoCount(UINT* count) {
  return IDispatchImpl<IPeloraMailvane, &IID_IPeloraMailvane, &LIBID_MailvaneLib>::GetTypeInfoCount(count);
}
STDMETHODIMP CPeloraMailvane::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) {
  return IDispatchImpl<IPeloraMailvane, &IID_IPeloraMailvane, &LIBID_MailvaneLib>::GetTypeInfo(index, lcid, out);
}
STDMETHODIMP CPeloraMailvane::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  return IDispatchImpl<IPeloraMailvane, &IID_IPeloraMailvane, &LIBID_MailvaneLib>::GetIDsOfNames(riid, names, count,
                                                                                                  lcid, ids);
}
STDMETHODIMP CPeloraMailvane::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  return IDispatchImpl<IPeloraMailvane, &IID_IPeloraMailvane, &LIBID_MailvaneLib>::Invoke(id, riid, lcid, flags, params,
                                                                                           result, excep, argErr);
}

// ---- connection ----

STDMETHODIMP CPeloraMailvane::OnConnection(IDispatch* application, LONG, IDispatch*, SAFEARRAY**) {
  CComPtr<IDispatch> app;
  if (!application || FAILED(application->QueryInterface(IID_OutlookApplication, (void**)&app)) || !app) return S_OK;
  m_outlook = app;
  DetectOutlookVersion();
  if (m_hostMode == HostCommandBars) CreateCommandBarButton();
  return S_OK;
}

STDMETHODIMP CPeloraMailvane::OnDisconnection(LONG, SAFEARRAY**) {
  if (m_hostMode == HostCommandBars) RemoveCommandBarButton();
  return S_OK;
}

void CPeloraMailvane::DetectOutlookVersion() {
  CComVariant v;
  if (FAILED(CComDispatchDriver(m_outlook).GetPropertyByName(L"Version", &v)) || v.vt != VT_BSTR || !v.bstrVal)
    return;
  // the digits before the first "."; anything else gives 0
  int major = 0;
  const wchar_t* p = v.bstrVal;
  for (; *p >= L'0' && *p <= L'9' && major < 100000; ++p) major = major * 10 + (*p - L'0');
  if (*p != L'.' && *p != 0) major = 0;
  if (major == 12 || major == 13)
    m_hostMode = HostCommandBars;
  else if (major >= 14)
    m_hostMode = HostRibbon;
}

HRESULT CPeloraMailvane::CreateCommandBarButton() {
  CComPtr<IDispatch> explorer, bars;
  HRESULT hr = GetDispatch(m_outlook, L"ActiveExplorer", explorer);
  if (SUCCEEDED(hr)) hr = GetDispatch(explorer, L"CommandBars", bars);
  if (FAILED(hr)) return hr;
  CComDispatchDriver barsDrv(bars);
  CComVariant count;
  hr = barsDrv.GetPropertyByName(L"Count", &count);
  if (SUCCEEDED(hr)) hr = count.ChangeType(VT_I4);
  if (FAILED(hr)) return hr;
  CComPtr<IDispatch> bar;
  for (long i = 1; i <= count.lVal; ++i) {
    CComVariant item;
    if (FAILED(barsDrv.Invoke1(L"Item", CComVariant(i), &item)) || item.vt != VT_DISPATCH || !item.pdispVal) continue;
    CComVariant name;
    if (SUCCEEDED(CComDispatchDriver(item.pdispVal).GetPropertyByName(L"Name", &name)) && name.vt == VT_BSTR &&
        name.bstrVal && wcscmp(name.bstrVal, L"Standard") == 0)
      bar = item.pdispVal;  // the last one of that name
  }
  if (!bar) {
    // Add(Name, Position, MenuBar, Temporary)
    CComVariant missing;
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    CComVariant args[4] = {CComVariant(true), missing, CComVariant(1L), CComVariant(L"Pelora Note")};  // last first
    CComVariant added;
    hr = barsDrv.InvokeN(L"Add", args, 4, &added);
    if (FAILED(hr)) return hr;
    if (added.vt != VT_DISPATCH || !added.pdispVal) return E_NOINTERFACE;
    bar = added.pdispVal;
  }
  CComPtr<IDispatch> button;
  hr = AddButton(bar, button);
  if (FAILED(hr)) return hr;
  m_toolbarButton = button;
  Put(button, L"Caption", CComVariant(kCaption));
  Put(button, L"TooltipText", CComVariant(L"Send selected e-mail to Pelora Note"));
  Put(button, L"Tag", CComVariant(kCaption));
  Put(button, L"Style", CComVariant(3L));
  SetButtonPicture(button);
  Put(button, L"Enabled", CComVariant(true));
  Put(bar, L"Visible", CComVariant(true));
  hr = IDispEventSimpleImpl<1, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventAdvise(button);
  if (FAILED(hr)) return hr;
  return IDispEventSimpleImpl<5, CPeloraMailvane, &DIID_OutlookApplicationEvents11>::DispEventAdvise(m_outlook);
}

HRESULT CPeloraMailvane::RemoveCommandBarButton() {
  HRESULT hr = IDispEventSimpleImpl<5, CPeloraMailvane, &DIID_OutlookApplicationEvents11>::DispEventUnadvise(m_outlook);
  if (FAILED(hr)) return hr;
  if (m_contextButton &&
      IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::IsDispEventAdvised())
    IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventUnadvise(m_contextButton);
  m_contextButton.Release();
  if (m_toolbarButton) {
    hr = IDispEventSimpleImpl<1, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventUnadvise(m_toolbarButton);
    if (FAILED(hr)) return hr;
    CComPtr<IDispatch> parent;
    if (SUCCEEDED(GetDispatch(m_toolbarButton, L"Parent", parent))) CComDispatchDriver(m_toolbarButton).Invoke0(L"Delete");
    m_toolbarButton.Release();
  }
  return S_OK;
}

// The picture and the mask of the 16-pixel icon; each picture owns its bitmap. The icon itself
// is kept by the module, so nothing is left behind per call.
HRESULT CPeloraMailvane::SetButtonPicture(IDispatch* button) {
  HICON icon = AddInIcon(16);
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return E_FAIL;
  CComPtr<IDispatch> picture, mask;
  HRESULT hr = MakePicture(info.hbmColor, &picture);
  HRESULT hr2 = MakePicture(info.hbmMask, &mask);
  if (SUCCEEDED(hr)) hr = CComDispatchDriver(button).PutPropertyRefByName(L"Picture", CComVariant(picture));
  if (SUCCEEDED(hr2)) hr2 = CComDispatchDriver(button).PutPropertyRefByName(L"Mask", CComVariant(mask));
  return FAILED(hr) ? hr : hr2;
}

void CPeloraMailvane::OnItemContextMenuDisplay(IDispatch* commandBar, IDispatch*) {
  if (m_contextButton &&
      IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::IsDispEventAdvised())
    IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventUnadvise(m_contextButton);
  CComPtr<IDispatch> button;
  if (!commandBar || FAILED(AddButton(commandBar, button))) return;
  Put(button, L"Caption", CComVariant(kCaption));
  Put(button, L"TooltipText", CComVariant(L"Send selected e-mail(s) to Pelora Note"));
  Put(button, L"Tag", CComVariant(kCaption));
  Put(button, L"Style", CComVariant(3L));
  Put(button, L"Enabled", CComVariant(true));
  Put(button, L"Visible", CComVariant(true));
  SetButtonPicture(button);
  m_contextButton = button;
  IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>::DispEventAdvise(button);
}

void CPeloraMailvane::OnCommandBarButtonClick(IDispatch*, VARIANT_BOOL*) { OnSendSelection(); }

// ---- ribbon ----

STDMETHODIMP CPeloraMailvane::GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) {
  if (!ribbonXml || !ribbonId) return S_OK;
  UINT id = 0;
  if (m_hostMode == HostCommandBars && wcscmp(ribbonId, L"Microsoft.Outlook.Mail.Read") == 0)
    id = kRibbonRead2007;
  else if (m_hostMode == HostRibbon && wcscmp(ribbonId, L"Microsoft.Outlook.Explorer") == 0)
    id = kRibbonExplorer;
  else if (m_hostMode == HostRibbon && wcscmp(ribbonId, L"Microsoft.Outlook.Mail.Read") == 0)
    id = kRibbonRead;
  if (!id) return S_OK;
  std::wstring xml = LoadRibbonXml(id);
  if (!xml.empty()) *ribbonXml = SysAllocStringLen(xml.c_str(), (UINT)xml.size());
  return S_OK;
}

STDMETHODIMP CPeloraMailvane::OnRibbon_GetItemImage(IDispatch*, IDispatch** imgObj) {
  if (!imgObj) return E_POINTER;
  *imgObj = nullptr;
  HICON icon = AddInIcon(32);
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return E_FAIL;
  if (info.hbmMask) DeleteObject(info.hbmMask);  // only the colour bitmap is handed out
  return MakePicture(info.hbmColor, imgObj);
}

STDMETHODIMP CPeloraMailvane::OnButton_SendToPeloraNote(IDispatch*) {
  OnSendSelection();
  return S_OK;
}

}  // namespace Mailvane
