// Runtime classes and exceptions defined in this program on top of the framework DLL's own.
#include "Framework.h"
#include <gtest/gtest.h>

namespace {

class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
};
class CCircle : public CShape {
  DECLARE_DYNCREATE(CCircle)
 public:
  int radius = 7;
};
IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CCircle, CShape)

TEST(CoreObject, KindTestsFollowTheBaseChainAcrossModules) {
  CCircle c;
  struct Case { const CRuntimeClass* cls; BOOL want; } cases[] = {
    {RUNTIME_CLASS(CCircle), TRUE}, {RUNTIME_CLASS(CShape), TRUE}, {RUNTIME_CLASS(CObject), TRUE},
    {RUNTIME_CLASS(CException), FALSE}, {RUNTIME_CLASS(CFile), FALSE},
  };
  for (auto& k : cases) EXPECT_EQ(k.want, c.IsKindOf(k.cls)) << k.cls->m_lpszClassName;
  EXPECT_EQ(RUNTIME_CLASS(CCircle), c.GetRuntimeClass());
  EXPECT_STREQ("CShape", RUNTIME_CLASS(CCircle)->GetBaseClass()->m_lpszClassName);
  // framework classes seen from the program
  CFileException fe;
  EXPECT_TRUE(fe.IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_FALSE(fe.IsKindOf(RUNTIME_CLASS(CShape)));
}

TEST(CoreObject, CreatesByRecordAndByName) {
  CObject* o = RUNTIME_CLASS(CCircle)->CreateObject();
  ASSERT_NE(nullptr, o);
  EXPECT_TRUE(o->IsKindOf(RUNTIME_CLASS(CCircle)));
  EXPECT_EQ(7, static_cast<CCircle*>(o)->radius);
  delete o;
  o = CRuntimeClass::CreateObject(L"CCircle");
  ASSERT_NE(nullptr, o);
  delete o;
  EXPECT_EQ(nullptr, RUNTIME_CLASS(CShape)->CreateObject());  // no dynamic creation
  EXPECT_EQ(nullptr, CRuntimeClass::FromName("NoSuchClass"));
  EXPECT_EQ(RUNTIME_CLASS(CFile), CRuntimeClass::FromName("CFile"));
}

TEST(CoreObject, ExceptionsThrownInTheDllAreCaughtHere) {
  bool caught = false;
  TRY {
    AfxThrowMemoryException();
  }
  CATCH(CMemoryException, e) {
    wchar_t text[64];
    EXPECT_TRUE(e->GetErrorMessage(text, 64));
    caught = true;
  }
  END_CATCH
  EXPECT_TRUE(caught);

  try {
    CStringArray a;
    a.GetAt(3);
    FAIL() << "no exception";
  } catch (CException* e) {
    EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
    e->Delete();
  }
}

}  // namespace
