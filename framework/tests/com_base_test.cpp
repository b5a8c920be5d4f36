// Smart pointers, BSTR and VARIANT owners, late binding by name, and the memory stream.
#include <gtest/gtest.h>
#include "Framework.h"
#include <string>
#include <vector>

namespace {

// An IDispatch that records what it is asked.
class RecordingDispatch : public IDispatch {
public:
  LONG ref = 1;
  std::vector<std::wstring> names;
  DISPID lastId = 0;
  WORD lastFlags = 0;
  std::vector<VARIANT> lastArgs;  // as received (last argument first)
  UINT lastNamed = 0;
  DISPID lastNamedId = 0;

  STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++ref; }
  STDMETHOD_(ULONG, Release)() override { return --ref; }  // lives on the stack
  STDMETHOD(GetTypeInfoCount)(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* n, UINT count, LCID, DISPID* ids) override {
    names.push_back(n[0]);
    if (wcscmp(n[0], L"Missing") == 0) return DISP_E_UNKNOWNNAME;
    ids[0] = 100 + (DISPID)wcslen(n[0]);
    return count == 1 ? S_OK : E_INVALIDARG;
  }
  STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*, UINT*) override {
    lastId = id;
    lastFlags = flags;
    lastArgs.assign(p->rgvarg, p->rgvarg + p->cArgs);
    lastNamed = p->cNamedArgs;
    lastNamedId = p->cNamedArgs ? p->rgdispidNamedArgs[0] : 0;
    if (result) {
      result->vt = VT_I4;
      result->lVal = (LONG)p->cArgs;
    }
    return S_OK;
  }
};

TEST(ComBase, BstrKeepsLengthAndEmbeddedNuls) {
  CComBSTR a(L"ab");
  a.Append(L"cd");
  a += L"e";
  EXPECT_TRUE(a == L"abcde");
  EXPECT_EQ(a.Length(), 5u);
  CComBSTR nul(3, L"x\0y");
  CComBSTR copy(nul);
  EXPECT_EQ(copy.Length(), 3u);
  EXPECT_EQ(copy.m_str[2], L'y');
  CComBSTR empty;
  EXPECT_TRUE(empty == L"");  // null and empty are alike
  EXPECT_TRUE(!empty);
  BSTR out = nullptr;
  EXPECT_HRESULT_SUCCEEDED(a.CopyTo(&out));
  EXPECT_STREQ(out, L"abcde");
  SysFreeString(out);
  CComBSTR moved(std::move(a));
  EXPECT_TRUE(moved == L"abcde");
  EXPECT_EQ(a.m_str, nullptr);
  a = moved;
  EXPECT_TRUE(a == L"abcde");
  EXPECT_NE(a.m_str, moved.m_str);
}

TEST(ComBase, VariantTypesCopiesAndComparisons) {
  EXPECT_EQ(CComVariant(true).vt, VT_BOOL);
  EXPECT_EQ(CComVariant(true).boolVal, VARIANT_TRUE);
  EXPECT_EQ(CComVariant(5).vt, VT_I4);
  EXPECT_EQ(CComVariant(2.5).vt, VT_R8);
  EXPECT_EQ(CComVariant(L"x").vt, VT_BSTR);
  CComVariant s(L"text");
  CComVariant t = s;
  EXPECT_NE(s.bstrVal, t.bstrVal);  // a deep copy
  EXPECT_TRUE(s == t);
  EXPECT_FALSE(s == CComVariant(L"other"));
  EXPECT_TRUE(CComVariant(7) == CComVariant(7L));
  CComVariant n(L"42");
  ASSERT_HRESULT_SUCCEEDED(n.ChangeType(VT_I4));
  EXPECT_EQ(n.lVal, 42);
  VARIANT raw;
  VariantInit(&raw);
  ASSERT_HRESULT_SUCCEEDED(s.Detach(&raw));
  EXPECT_EQ(s.vt, VT_EMPTY);
  CComVariant back;
  ASSERT_HRESULT_SUCCEEDED(back.Attach(&raw));
  EXPECT_EQ(raw.vt, VT_EMPTY);
  EXPECT_STREQ(back.bstrVal, L"text");
}

TEST(ComBase, PointersCountReferences) {
  RecordingDispatch obj;
  {
    CComPtr<IDispatch> a(&obj);
    EXPECT_EQ(obj.ref, 2);
    CComPtr<IDispatch> b = a;
    EXPECT_EQ(obj.ref, 3);
    CComPtr<IDispatch> c(std::move(b));
    EXPECT_EQ(obj.ref, 3);
    EXPECT_TRUE(a.IsEqualObject(c));
    // taking the address for an out parameter lets go of what was held
    IDispatch** slot = &c;
    EXPECT_EQ(*slot, nullptr);
    EXPECT_EQ(obj.ref, 2);
    CComQIPtr<IDispatch> q(static_cast<IUnknown*>(&obj));
    EXPECT_EQ(obj.ref, 3);
    a = nullptr;
    EXPECT_EQ(obj.ref, 2);
  }
  EXPECT_EQ(obj.ref, 1);
}

TEST(ComBase, DispatchDriverArgumentOrderAndPropertyPuts) {
  RecordingDispatch obj;
  CComDispatchDriver d(&obj);
  CComVariant result;
  ASSERT_HRESULT_SUCCEEDED(d.Invoke2(L"Move", CComVariant(1), CComVariant(L"two"), &result));
  EXPECT_EQ(obj.names.back(), L"Move");
  EXPECT_EQ(obj.lastId, 104);
  EXPECT_EQ(obj.lastFlags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_EQ(obj.lastArgs.size(), 2u);
  EXPECT_EQ(obj.lastArgs[0].vt, VT_BSTR);  // last argument first
  EXPECT_EQ(obj.lastArgs[1].vt, VT_I4);
  EXPECT_EQ(result.lVal, 2);

  // InvokeN takes its array as DISPPARAMS does: f(1, 2, 3) is {3, 2, 1}, handed on unchanged
  CComVariant three[3] = {CComVariant(3), CComVariant(2), CComVariant(1)};
  ASSERT_HRESULT_SUCCEEDED(d.InvokeN(7, three, 3, nullptr));
  ASSERT_EQ(obj.lastArgs.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(obj.lastArgs[(size_t)i].lVal, 3 - i) << i;
  ASSERT_HRESULT_SUCCEEDED(d.InvokeN(L"Move", three, 2, nullptr));
  EXPECT_EQ(obj.lastId, 104);
  ASSERT_EQ(obj.lastArgs.size(), 2u);
  EXPECT_EQ(obj.lastArgs[0].lVal, 3);
  EXPECT_EQ(obj.lastArgs[1].lVal, 2);
  EXPECT_EQ(d.InvokeN(7, nullptr, 1, nullptr), E_INVALIDARG);

  ASSERT_HRESULT_SUCCEEDED(d.PutPropertyByName(L"Caption", CComVariant(L"Send")));
  EXPECT_EQ(obj.lastFlags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(obj.lastNamed, 1u);
  EXPECT_EQ(obj.lastNamedId, DISPID_PROPERTYPUT);
  ASSERT_HRESULT_SUCCEEDED(d.PutPropertyRef(9, CComVariant(static_cast<IDispatch*>(&obj))));
  EXPECT_EQ(obj.lastFlags, DISPATCH_PROPERTYPUTREF);
  ASSERT_HRESULT_SUCCEEDED(d.GetPropertyByName(L"Count", &result));
  EXPECT_EQ(obj.lastFlags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(obj.lastArgs.size(), 0u);

  EXPECT_EQ(d.Invoke0(L"Missing", &result), DISP_E_UNKNOWNNAME);
  CComDispatchDriver none;
  EXPECT_EQ(none.Invoke0(L"Any"), E_POINTER);
}

TEST(ComBase, MemoryStreamReadsWritesSeeksAndGrows) {
  CComPtr<IStream> s;
  ASSERT_HRESULT_SUCCEEDED(CComMemStream::Create("abc", 3, &s));
  char buf[8] = {};
  ULONG n = 0;
  EXPECT_EQ(s->Read(buf, 8, &n), S_FALSE);  // short read
  EXPECT_EQ(n, 3u);
  EXPECT_STREQ(buf, "abc");
  LARGE_INTEGER to;
  to.QuadPart = 5;
  ULARGE_INTEGER pos;
  ASSERT_HRESULT_SUCCEEDED(s->Seek(to, STREAM_SEEK_SET, &pos));  // past the end
  EXPECT_EQ(s->Write("Z", 1, &n), S_OK);
  STATSTG st;
  ASSERT_HRESULT_SUCCEEDED(s->Stat(&st, STATFLAG_NONAME));
  EXPECT_EQ(st.cbSize.QuadPart, 6u);
  const CComMemStream* mem = static_cast<CComMemStream*>(s.p);
  EXPECT_EQ(std::string((const char*)mem->GetData(), mem->GetSize()), std::string("abc\0\0Z", 6));
  to.QuadPart = -2;
  ASSERT_HRESULT_SUCCEEDED(s->Seek(to, STREAM_SEEK_END, &pos));
  EXPECT_EQ(pos.QuadPart, 4u);
  to.QuadPart = -10;
  EXPECT_EQ(s->Seek(to, STREAM_SEEK_CUR, &pos), STG_E_INVALIDFUNCTION);
  CComPtr<IStream> clone;
  ASSERT_HRESULT_SUCCEEDED(s->Clone(&clone));
  EXPECT_EQ(clone->Read(buf, 2, &n), S_OK);
  EXPECT_EQ(buf[1], 'Z');
  ULARGE_INTEGER size;
  size.QuadPart = 1;
  ASSERT_HRESULT_SUCCEEDED(s->SetSize(size));
  EXPECT_EQ(mem->GetSize(), 1u);
}

}  // namespace
