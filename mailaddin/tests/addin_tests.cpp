// The add-in as the mail client loads it: by its registered class id, connected with the host
// stand-in's Application, asked for ribbons, pictures and buttons.
#include <gtest/gtest.h>
#include "MailHost.h"
#include "Mailvane.h"
#include "TestSupport.h"
#include <olectl.h>

using namespace MailTest;
using Standin::DispObject;
using Standin::MailHost;

namespace {

class AddInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_NE(AddInModule(), nullptr);
    ASSERT_EQ(CoCreateInstance(CLSID_PeloraMailvane, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2Host,
                               (void**)&addin),
              S_OK);
    ASSERT_EQ(addin->QueryInterface(IID_IRibbonExtensibilityHost, (void**)&ribbon), S_OK);
  }
  void TearDown() override {
    if (ribbon) ribbon->Release();
    if (addin) addin->Release();
    CoUninitialize();
  }
  void Connect(MailHost& host) {
    ASSERT_EQ(addin->OnConnection(host.Application(), 0, nullptr, nullptr), S_OK);
  }
  std::wstring CustomUI(const wchar_t* id) {
    BSTR id2 = SysAllocString(id);
    BSTR xml = nullptr;
    EXPECT_EQ(ribbon->GetCustomUI(id2, &xml), S_OK);
    SysFreeString(id2);
    std::wstring s = xml ? std::wstring(xml, SysStringLen(xml)) : L"<none>";
    SysFreeString(xml);
    return s;
  }
  static bool Has(const std::wstring& xml, const wchar_t* part) { return xml.find(part) != std::wstring::npos; }

  IDTExtensibility2Host* addin = nullptr;
  IRibbonExtensibilityHost* ribbon = nullptr;
};

}  // namespace

TEST_F(AddInTest, VersionChoosesRibbonsAndButtons) {
  const struct {
    const wchar_t* version;
    int mode;  // 0 inert, 1 command bars, 2 ribbon
  } cases[] = {{L"16.0.0.17928", 2}, {L"14.0", 2}, {L"15", 2}, {L"12.0.6672", 1}, {L"13.0", 1}, {L"11.0.8", 0},
               {L"", 0}, {L"abc.12", 0}, {L"12a.0", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.version));
    TearDown();
    SetUp();
    MailHost host(c.version);
    Connect(host);
    std::wstring explorer = CustomUI(L"Microsoft.Outlook.Explorer");
    std::wstring read = CustomUI(L"Microsoft.Outlook.Mail.Read");
    if (c.mode == 2) {
      EXPECT_TRUE(Has(explorer, L"http://schemas.microsoft.com/office/2009/07/customui"));
      EXPECT_TRUE(Has(explorer, L"idMso=\"TabMail\""));
      EXPECT_TRUE(Has(explorer, L"id=\"GroupPeloraNote\" label=\"PeloraNote\""));
      EXPECT_TRUE(Has(explorer, L"id=\"btnPeloraNote\""));
      EXPECT_TRUE(Has(explorer, L"idMso=\"ContextMenuMailItem\""));
      EXPECT_TRUE(Has(explorer, L"id=\"contextMenuMailItemPeloraNote\""));
      EXPECT_EQ(Count(Narrow(explorer), "getImage=\"OnRibbon_GetItemImage\""), 2);
      EXPECT_EQ(Count(Narrow(explorer), "onAction=\"OnButton_SendToPeloraNote\""), 2);
    } else {
      EXPECT_EQ(explorer, L"<none>");
    }
    if (c.mode == 0) {
      EXPECT_EQ(read, L"<none>");
    } else {
      EXPECT_TRUE(Has(read, L"http://schemas.microsoft.com/office/2006/01/customui"));
      EXPECT_TRUE(Has(read, L"idMso=\"TabReadMessage\""));
      EXPECT_TRUE(Has(read, L"id=\"NewCustomButton\""));
      EXPECT_TRUE(Has(read, L"label=\"Send to PeloraNote\""));
    }
    // exact, case-sensitive ids only
    EXPECT_EQ(CustomUI(L"microsoft.outlook.explorer"), L"<none>");
    EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Contact"), L"<none>");
    EXPECT_EQ(host.Buttons().size(), c.mode == 1 ? 1u : 0u);
    EXPECT_EQ(host.Application()->SinkCount(DIID_OutlookApplicationEvents11), c.mode == 1 ? 1 : 0);
    EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  }
}

TEST_F(AddInTest, NotAMailClientApplicationLeavesTheAddInInert) {
  DispObject* other = DispObject::Create(L"SomethingElse");
  other->SetProp(L"Version", L"16.0");
  EXPECT_EQ(addin->OnConnection(other, 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(CustomUI(L"Microsoft.Outlook.Explorer"), L"<none>");
  EXPECT_EQ(addin->OnConnection(nullptr, 0, nullptr, nullptr), S_OK);
  other->Release();
}

TEST_F(AddInTest, CommandBarButtonGoesOnTheLastStandardBar) {
  MailHost host(L"12.0.4518.1014");
  host.SetCommandBars({L"Menu Bar", L"Standard", L"Advanced", L"Standard"});
  Connect(host);
  ASSERT_EQ(host.Buttons().size(), 1u);
  DispObject* button = host.Buttons()[0];
  VARIANT parent;
  ASSERT_TRUE(button->GetProp(L"Parent", &parent));
  EXPECT_EQ(parent.pdispVal, static_cast<IDispatch*>(host.AllBars()[3]));
  VariantClear(&parent);
  EXPECT_EQ(button->GetText(L"Caption"), L"Send to Pelora Note");
  EXPECT_EQ(button->GetText(L"TooltipText"), L"Send selected e-mail to Pelora Note");
  EXPECT_EQ(button->GetText(L"Tag"), L"Send to Pelora Note");
  EXPECT_EQ(button->GetText(L"Style"), L"3");
  EXPECT_EQ(button->GetText(L"Type"), L"1");
  EXPECT_EQ(button->GetText(L"Temporary"), L"1");
  EXPECT_EQ(button->GetText(L"Enabled"), L"True");
  EXPECT_EQ(host.AllBars()[3]->GetText(L"Visible"), L"True");
  for (const wchar_t* pic : {L"Picture", L"Mask"}) {
    VARIANT v;
    ASSERT_TRUE(button->GetProp(pic, &v));
    ASSERT_EQ(v.vt, VT_DISPATCH);
    IPicture* p = nullptr;
    ASSERT_EQ(v.pdispVal->QueryInterface(IID_IPicture, (void**)&p), S_OK);
    SHORT type = 0;
    p->get_Type(&type);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    p->Release();
    VariantClear(&v);
  }
  // the order of the puts: the picture before Enabled, the bar shown last
  const std::vector<std::wstring>& log = button->Log();
  std::vector<std::wstring> puts;
  for (const std::wstring& l : log)
    if (l.rfind(L"put ", 0) == 0) puts.push_back(l.substr(4));
  EXPECT_EQ(puts, (std::vector<std::wstring>{L"Caption", L"TooltipText", L"Tag", L"Style", L"Picture", L"Mask",
                                              L"Enabled"}));
  EXPECT_EQ(button->SinkCount(DIID_OfficeCommandBarButtonEvents), 1);

  EXPECT_EQ(addin->OnDisconnection(1, nullptr), S_OK);
  EXPECT_EQ(button->SinkCount(DIID_OfficeCommandBarButtonEvents), 0);
  EXPECT_EQ(host.Application()->SinkCount(DIID_OutlookApplicationEvents11), 0);
  EXPECT_EQ(button->GetText(L"Deleted"), L"1");
}

TEST_F(AddInTest, WithoutAStandardBarATemporaryTopBarIsAdded) {
  MailHost host(L"12.0");
  host.SetCommandBars({L"Menu Bar", L"standard"});
  Connect(host);
  ASSERT_EQ(host.AllBars().size(), 3u);
  DispObject* bar = host.AllBars()[2];
  EXPECT_EQ(bar->GetText(L"Name"), L"Pelora Note");
  EXPECT_EQ(bar->GetText(L"Position"), L"1");
  EXPECT_EQ(bar->GetText(L"Temporary"), L"1");
  EXPECT_EQ(bar->GetText(L"Visible"), L"True");
  EXPECT_EQ(host.CommandBars()->Log().back(), L"call Add");
}

TEST_F(AddInTest, EachContextMenuGetsAButtonAndOnlyTheLastIsConnected) {
  MailHost host(L"12.0");
  Connect(host);
  DispObject* first = host.OpenContextMenu();
  DispObject* second = host.OpenContextMenu();
  ASSERT_EQ(host.Buttons().size(), 3u);  // the tool-bar's and one per menu
  DispObject* b1 = host.Buttons()[1];
  DispObject* b2 = host.Buttons()[2];
  VARIANT p;
  ASSERT_TRUE(b2->GetProp(L"Parent", &p));
  EXPECT_EQ(p.pdispVal, static_cast<IDispatch*>(second));
  VariantClear(&p);
  EXPECT_NE(first, second);
  EXPECT_EQ(b1->SinkCount(DIID_OfficeCommandBarButtonEvents), 0);
  EXPECT_EQ(b2->SinkCount(DIID_OfficeCommandBarButtonEvents), 1);
  EXPECT_EQ(b2->GetText(L"TooltipText"), L"Send selected e-mail(s) to Pelora Note");
  EXPECT_EQ(b2->GetText(L"Visible"), L"True");
  // a click with nothing selected does nothing and reports nothing
  host.Select({});
  EXPECT_EQ(host.Click(b2), S_OK);
  EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_EQ(b2->SinkCount(DIID_OfficeCommandBarButtonEvents), 0);
}

TEST_F(AddInTest, RibbonCallbacksByNameAndTheButtonPicture) {
  MailHost host(L"16.0");
  Connect(host);
  IDispatch* disp = nullptr;
  ASSERT_EQ(addin->QueryInterface(IID_IDispatch, (void**)&disp), S_OK);
  const struct {
    const wchar_t* name;
    DISPID id;
  } names[] = {{L"OnRibbon_GetItemImage", 42}, {L"OnButton_SendToPeloraNote", 43}};
  for (const auto& n : names) {
    LPOLESTR name = const_cast<LPOLESTR>(n.name);
    DISPID id = 0;
    EXPECT_EQ(disp->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, n.id);
  }
  // the ribbon calls getImage for every button, many times: each picture owns its own bitmap
  for (int i = 0; i < 50; ++i) {
    VARIANT arg, result;
    arg.vt = VT_DISPATCH;
    arg.pdispVal = host.Application();
    VariantInit(&result);
    DISPPARAMS dp = {&arg, nullptr, 1, 0};
    ASSERT_EQ(disp->Invoke(42, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr), S_OK);
    ASSERT_EQ(result.vt, VT_DISPATCH);
    IPicture* pic = nullptr;
    ASSERT_EQ(result.pdispVal->QueryInterface(IID_IPicture, (void**)&pic), S_OK);
    OLE_HANDLE handle = 0;
    pic->get_Handle(&handle);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectW((HBITMAP)(UINT_PTR)handle, sizeof(bm), &bm), (int)sizeof(bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    pic->Release();
    VariantClear(&result);
    // the picture owned its bitmap: nothing is left once the ribbon lets go of it
    EXPECT_EQ(GetObjectType((HGDIOBJ)(UINT_PTR)handle), 0u);
  }
  // the send button with no mail selected: nothing happens
  VARIANT arg;
  arg.vt = VT_DISPATCH;
  arg.pdispVal = nullptr;
  DISPPARAMS dp = {&arg, nullptr, 1, 0};
  EXPECT_EQ(disp->Invoke(43, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr), S_OK);
  disp->Release();
}
