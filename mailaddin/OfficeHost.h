// The mail client's side of the add-in contract: the host interfaces the add-in implements
// (_IDTExtensibility2, IRibbonExtensibility) and the ids of the mail client's and the office
// suite's objects the add-in asks for. The mail-host stand-in (standins/mailhost) plays the
// other side with the same declarations.
#pragma once
#include <windows.h>
#include <oaidl.h>

// _IDTExtensibility2 (dual): the add-in's life in the host. DISPIDs 1 to 5 in this order.
struct IDTExtensibility2Host : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* application, LONG connectMode, IDispatch* addInInst,
                                                 SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(LONG removeMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

// IRibbonExtensibility (dual): the host asks for the ribbon XML of each of its ribbon ids (DISPID 1).
struct IRibbonExtensibilityHost : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR ribbonId, BSTR* ribbonXml) = 0;
};

// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
inline const IID IID_IDTExtensibility2Host = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};
// {000C0396-0000-0000-C000-000000000046}
inline const IID IID_IRibbonExtensibilityHost = {0x000C0396, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Objects of the mail client's model, asked for by interface (all are IDispatch underneath).
// _Application {00063001-0000-0000-C000-000000000046}
inline const IID IID_OutlookApplication = {0x00063001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// _MailItem {00063034-0000-0000-C000-000000000046}
inline const IID IID_OutlookMailItem = {0x00063034, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// ApplicationEvents_11 {0006302C-0000-0000-C000-000000000046}: ItemContextMenuDisplay is 0xFB41
inline const IID DIID_OutlookApplicationEvents11 = {0x0006302C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// _CommandBarButton {000C030E-0000-0000-C000-000000000046}
inline const IID IID_OfficeCommandBarButton = {0x000C030E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// _CommandBarButtonEvents {000C0351-0000-0000-C000-000000000046}: Click is 1
inline const IID DIID_OfficeCommandBarButtonEvents = {0x000C0351, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

const DISPID kDispIdItemContextMenuDisplay = 0xFB41;
const DISPID kDispIdButtonClick = 1;

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IDTExtensibility2Host, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44)
__CRT_UUID_DECL(IRibbonExtensibilityHost, 0x000C0396, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46)
#endif
