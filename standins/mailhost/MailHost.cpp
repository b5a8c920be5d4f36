#include "MailHost.h"
#include <oleauto.h>

namespace Standin {

namespace {

HRESULT ReturnObject(VARIANT* result, IDispatch* obj) {
  if (!result) return S_OK;
  VariantInit(result);
  result->vt = VT_DISPATCH;
  result->pdispVal = obj;
  obj->AddRef();
  return S_OK;
}

// A collection: Count and Item(1..Count) over a list the owner keeps.
void MakeCollection(DispObject* obj, std::vector<DispObject*>* items) {
  obj->SetMethod(L"Count", [items](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    if (r) {
      VariantInit(r);
      r->vt = VT_I4;
      r->lVal = (long)items->size();
    }
    return S_OK;
  });
  obj->SetMethod(L"Item", [items](WORD, const std::vector<VARIANT*>& args, VARIANT* r) {
    long i = DispObject::ArgLong(args, 0, 0);
    if (i < 1 || i > (long)items->size()) return DISP_E_BADINDEX;
    return ReturnObject(r, (*items)[(size_t)i - 1]);
  });
}

}  // namespace

MailHost::MailHost(const std::wstring& version) {
  m_app = DispObject::Create(L"Application");
  m_app->AddIid(IID_OutlookApplication);
  m_app->AddSource(DIID_OutlookApplicationEvents11);
  m_app->SetProp(L"Version", version.c_str());
  m_app->SetProp(L"Name", L"Stand-in Mail Client");
  m_explorer = DispObject::Create(L"Explorer");
  m_selection = DispObject::Create(L"Selection");
  m_bars = DispObject::Create(L"CommandBars");
  DispObject* explorer = m_explorer;
  m_app->SetMethod(L"ActiveExplorer", [explorer](WORD, const std::vector<VARIANT*>&, VARIANT* r) {
    return ReturnObject(r, explorer);
  });
  m_explorer->SetProp(L"Selection", static_cast<IDispatch*>(m_selection));
  m_explorer->SetProp(L"CommandBars", static_cast<IDispatch*>(m_bars));
  MakeCollection(m_selection, &m_items);
  MakeCollection(m_bars, &m_barList);
  m_bars->SetMethod(L"Add", [this](WORD, const std::vector<VARIANT*>& args, VARIANT* r) {
    DispObject* bar = NewBar(DispObject::ArgText(args, 0));
    bar->SetProp(L"Position", DispObject::ArgLong(args, 1, 0));
    bar->SetProp(L"Temporary", DispObject::ArgLong(args, 3, 0) != 0 ? 1L : 0L);
    m_barList.push_back(bar);
    return ReturnObject(r, bar);
  });
}

MailHost::~MailHost() {
  for (DispObject* o : m_items) o->Release();
  for (DispObject* o : m_allBars) o->Release();
  for (DispObject* o : m_buttons) o->Release();
  for (DispObject* o : m_owned) o->Release();
  m_selection->Release();
  m_bars->Release();
  m_explorer->Release();
  m_app->Release();
}

DispObject* MailHost::NewBar(const std::wstring& name) {
  DispObject* bar = DispObject::Create(L"CommandBar");
  bar->SetProp(L"Name", name.c_str());
  DispObject* controls = DispObject::Create(L"Controls");
  bar->SetProp(L"Controls", static_cast<IDispatch*>(controls));
  controls->SetMethod(L"Add", [this, bar](WORD, const std::vector<VARIANT*>& args, VARIANT* r) {
    DispObject* button = DispObject::Create(L"CommandBarButton");
    button->AddIid(IID_OfficeCommandBarButton);
    button->AddSource(DIID_OfficeCommandBarButtonEvents);
    button->SetProp(L"Type", DispObject::ArgLong(args, 0, 0));
    button->SetProp(L"Temporary", DispObject::ArgLong(args, 4, 0) != 0 ? 1L : 0L);
    button->SetProp(L"Parent", static_cast<IDispatch*>(bar));
    button->SetMethod(L"Delete", [button](WORD, const std::vector<VARIANT*>&, VARIANT*) {
      button->SetProp(L"Deleted", 1L);
      return S_OK;
    });
    m_buttons.push_back(button);
    return ReturnObject(r, button);
  });
  controls->Release();
  m_allBars.push_back(bar);
  return bar;
}

void MailHost::SetCommandBars(const std::vector<std::wstring>& names) {
  m_barList.clear();
  for (const std::wstring& n : names) m_barList.push_back(NewBar(n));
}

void MailHost::Select(const std::vector<HostMail>& mails) {
  for (DispObject* o : m_items) o->Release();
  m_items.clear();
  for (const HostMail& m : mails) {
    DispObject* item = DispObject::Create(m.isMail ? L"MailItem" : L"AppointmentItem");
    if (m.isMail) item->AddIid(IID_OutlookMailItem);
    item->SetProp(L"Subject", m.subject.c_str());
    if (m.isMail) {
      item->SetProp(L"HTMLBody", m.htmlBody.c_str());
      item->SetProp(L"Body", m.body.c_str());
      item->SetProp(L"SenderName", m.senderName.c_str());
      VARIANT t;
      t.vt = VT_DATE;
      t.date = 46000.5;
      item->SetProp(L"ReceivedTime", t);
      DispObject* list = DispObject::Create(L"Attachments");
      m_lists.emplace_back(new std::vector<DispObject*>());
      std::vector<DispObject*>* files = m_lists.back().get();
      for (const HostAttachment& a : m.attachments) {
        DispObject* att = DispObject::Create(L"Attachment");
        att->SetProp(L"FileName", a.fileName.c_str());
        att->SetProp(L"DisplayName", a.displayName.c_str());
        std::wstring source = a.source;
        att->SetMethod(L"SaveAsFile", [this, source](WORD, const std::vector<VARIANT*>& args, VARIANT*) {
          ++m_saves;
          if (source.empty()) return E_FAIL;
          std::wstring path = DispObject::ArgText(args, 0);
          return CopyFileW(source.c_str(), path.c_str(), FALSE) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
        });
        files->push_back(att);
        m_owned.push_back(att);
      }
      MakeCollection(list, files);
      item->SetProp(L"Attachments", static_cast<IDispatch*>(list));
      m_owned.push_back(list);
    }
    m_items.push_back(item);
  }
}

DispObject* MailHost::OpenContextMenu() {
  DispObject* menu = NewBar(L"Context Menu");
  VARIANT args[2];
  args[0].vt = VT_DISPATCH;
  args[0].pdispVal = menu;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = m_selection;
  m_app->Fire(DIID_OutlookApplicationEvents11, kDispIdItemContextMenuDisplay, {args[0], args[1]});
  return menu;
}

HRESULT MailHost::Click(DispObject* button) {
  VARIANT args[2];
  args[0].vt = VT_DISPATCH;
  args[0].pdispVal = button;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  args[1].vt = VT_BYREF | VT_BOOL;
  args[1].pboolVal = &cancel;
  return button->Fire(DIID_OfficeCommandBarButtonEvents, kDispIdButtonClick, {args[0], args[1]});
}

}  // namespace Standin
