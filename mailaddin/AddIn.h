// CPeloraMailvane: the add-in object the mail client loads. It connects to the client, puts its
// buttons in the ribbon (or, in the 2007 client, on a tool bar and in item context menus), and
// sends the selected mails to the program (SendFlow.cpp).
#pragma once
#include "AtlModule.h"
#include "AtlEvents.h"
#include "Mailvane.h"
#include "OfficeHost.h"
#include "SendTypes.h"
#include <string>
#include <vector>

namespace Mailvane {

// The program's event interface: OnLoginChanged (DISPID 1) with (IUnknown* pObj, long state).
// {F96ADA87-758F-402D-835A-7EBF5F378228}
inline const IID DIID_IPeloraApplicationEvent = {0xF96ADA87, 0x758F, 0x402D, {0x83, 0x5A, 0x7E, 0xBF, 0x5F, 0x37, 0x82, 0x28}};

enum HostMode { HostUnsupported = 0, HostCommandBars = 1, HostRibbon = 2 };
enum LoginState { LoginFailed = 0, LoginInProgress = 1, LoginSuccess = 2 };

// The dialog and its ribbon XML resources.
const UINT kIconAddIn = 220;
const UINT kRibbonExplorer = 204;
const UINT kRibbonRead2007 = 205;
const UINT kRibbonRead = 207;

class CPeloraMailvane : public CComObjectRootEx<CComSingleThreadModel>,
                        public CComCoClass<CPeloraMailvane, &CLSID_PeloraMailvane>,
                        public IDispatchImpl<IPeloraMailvane, &IID_IPeloraMailvane, &LIBID_MailvaneLib>,
                        public IDTExtensibility2Host,
                        public IRibbonExtensibilityHost,
                        public IDispEventSimpleImpl<1, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents>,
                        public IDispEventSimpleImpl<4, CPeloraMailvane, &DIID_IPeloraApplicationEvent>,
                        public IDispEventSimpleImpl<5, CPeloraMailvane, &DIID_OutlookApplicationEvents11>,
                        public IDispEventSimpleImpl<6, CPeloraMailvane, &DIID_OfficeCommandBarButtonEvents> {
 public:
  DECLARE_REGISTRY_RESOURCEID(103)

  BEGIN_COM_MAP(CPeloraMailvane)
    COM_INTERFACE_ENTRY(IPeloraMailvane)
    COM_INTERFACE_ENTRY2(IDispatch, IPeloraMailvane)
    COM_INTERFACE_ENTRY_IID(IID_IDTExtensibility2Host, IDTExtensibility2Host)
    COM_INTERFACE_ENTRY_IID(IID_IRibbonExtensibilityHost, IRibbonExtensibilityHost)
  END_COM_MAP()

  BEGIN_SINK_MAP(CPeloraMailvane)
    SINK_ENTRY_EX(1, DIID_OfficeCommandBarButtonEvents, kDispIdButtonClick, OnCommandBarButtonClick)
    SINK_ENTRY_EX(4, DIID_IPeloraApplicationEvent, 1, OnLoginChanged)
    SINK_ENTRY_EX(5, DIID_OutlookApplicationEvents11, kDispIdItemContextMenuDisplay, OnItemContextMenuDisplay)
    SINK_ENTRY_EX(6, DIID_OfficeCommandBarButtonEvents, kDispIdButtonClick, OnCommandBarButtonClick)
  END_SINK_MAP()

  CPeloraMailvane() = default;
  void FinalRelease();

  // One IDispatch for every dual interface: IPeloraMailvane's (the ribbon calls its callbacks
  // by name); the host interfaces are called through their vtables.
  STDMETHOD(GetTypeInfoCount)(UINT* count) override;
  STDMETHOD(GetTypeInfo)(UINT index, LCID lcid, ITypeInfo** out) override;
  STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHOD(Invoke)(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* excep, UINT* argErr) override;

  // _IDTExtensibility2
  STDMETHOD(OnConnection)(IDispatch* application, LONG connectMode, IDispatch* addInInst, SAFEARRAY** custom) override;
  STDMETHOD(OnDisconnection)(LONG removeMode, SAFEARRAY** custom) override;
  STDMETHOD(OnAddInsUpdate)(SAFEARRAY**) override { return S_OK; }
  STDMETHOD(OnStartupComplete)(SAFEARRAY**) override { return S_OK; }
  STDMETHOD(OnBeginShutdown)(SAFEARRAY**) override { return S_OK; }

  // IRibbonExtensibility
  STDMETHOD(GetCustomUI)(BSTR ribbonId, BSTR* ribbonXml) override;

  // IPeloraMailvane
  STDMETHOD(OnRibbon_GetItemImage)(IDispatch* ribbonControl, IDispatch** imgObj) override;
  STDMETHOD(OnButton_SendToPeloraNote)(IDispatch* ribbonControl) override;

  // Event handlers (sinks 1 and 6, 5, 4).
  void __stdcall OnCommandBarButtonClick(IDispatch* ctrl, VARIANT_BOOL* cancelDefault);
  void __stdcall OnItemContextMenuDisplay(IDispatch* commandBar, IDispatch* selection);
  void __stdcall OnLoginChanged(IUnknown* obj, LONG loginState);

  int GetHostMode() const { return m_hostMode; }

  // The send flow (SendFlow.cpp).
  void OnSendSelection();

 private:
  void DetectOutlookVersion();
  HRESULT CreateCommandBarButton();
  HRESULT RemoveCommandBarButton();
  HRESULT SetButtonPicture(IDispatch* button);

  // SendFlow.cpp
  HRESULT GetPeloraApplication();
  void ReleasePeloraApplication();
  void ClearPendingMails();
  bool WaitForProgram();
  void ShowSaveDialog();
  static LRESULT CALLBACK PostWndProc(HWND, UINT, WPARAM, LPARAM);
  HWND PostWindow();

  int m_hostMode = HostUnsupported;
  CComPtr<IDispatch> m_outlook;          // the client's _Application
  CComPtr<IDispatch> m_toolbarButton;    // 2007: the tool-bar button
  CComPtr<IDispatch> m_contextButton;    // 2007: the last context-menu button
  CComPtr<IDispatch> m_pelora;           // the program's application object, during a send
  std::vector<CComPtr<IDispatch>> m_pendingMails;
  HWND m_postWindow = nullptr;           // receives the login continuation, outside the event call
  bool m_busy = false;                   // a wait or the dialog is running: presses are ignored
};

}  // namespace Mailvane
