// Collections: iteration order, removal while iterating, lookups and index edge cases.
#include "Framework.h"
#include <gtest/gtest.h>

namespace {

CString Join(const CStringList& l) {
  CString s;
  for (POSITION p = l.GetHeadPosition(); p;) s += l.GetNext(p) + L"|";
  return s;
}

TEST(CoreCollections, ListInsertFindAndRemoveWhileIterating) {
  CStringList l(10);
  l.AddTail(L"b");
  l.AddHead(L"a");
  l.AddTail(CString(L"d"));
  l.InsertBefore(l.Find(L"d"), L"c");
  l.InsertAfter(l.GetTailPosition(), L"e");
  l.InsertAfter(nullptr, L"f");  // null: after the tail
  EXPECT_EQ(L"a|b|c|d|e|f|", Join(l));
  EXPECT_EQ(6, l.GetCount());
  EXPECT_EQ(nullptr, l.Find(L"zz"));
  EXPECT_STREQ(L"c", l.GetAt(l.FindIndex(2)));
  EXPECT_EQ(nullptr, l.FindIndex(6));

  // remove every other element during a walk
  int i = 0;
  for (POSITION p = l.GetHeadPosition(); p;) {
    POSITION cur = p;
    l.GetNext(p);
    if (i++ % 2 == 0) l.RemoveAt(cur);
  }
  EXPECT_EQ(L"b|d|f|", Join(l));
  // backwards
  CString back;
  for (POSITION p = l.GetTailPosition(); p;) back += l.GetPrev(p);
  EXPECT_STREQ(L"fdb", back);
  EXPECT_STREQ(L"b", l.RemoveHead());
  EXPECT_STREQ(L"f", l.RemoveTail());
  EXPECT_STREQ(L"d", l.GetHead());
  EXPECT_STREQ(L"d", l.GetTail());
  l.RemoveAll();
  EXPECT_TRUE(l.IsEmpty());
  EXPECT_EQ(nullptr, l.GetHeadPosition());

  CPtrList ptrs;
  int x = 1, y = 2;
  ptrs.AddTail(&x);
  ptrs.AddTail(&y);
  EXPECT_EQ(&y, ptrs.GetAt(ptrs.Find(&y)));
  CPtrList more;
  more.AddTail(&x);
  ptrs.AddHead(&more);
  EXPECT_EQ(3, ptrs.GetCount());
}

TEST(CoreCollections, MapsIterateInInsertionOrder) {
  CMapStringToString m;
  const wchar_t* keys[] = {L"color", L"font-size", L"margin", L"\x0446\x0432\x0435\x0442", L"a", L"z"};
  for (auto k : keys) m.SetAt(k, CString(k) + L"!");
  m[L"margin"] = L"0";  // reassigning keeps the place
  m.RemoveKey(L"a");
  m[L"a"] = L"again";  // re-adding goes to the end
  CString order;
  CString k, v;
  for (POSITION p = m.GetStartPosition(); p;) {
    m.GetNextAssoc(p, k, v);
    order += k + L"=" + v + L";";
  }
  EXPECT_EQ(CString(L"color=color!;font-size=font-size!;margin=0;\x0446\x0432\x0435\x0442=\x0446\x0432\x0435\x0442!;z=z!;a=again;"), order);

  // many keys: the order survives the table growing
  CMap<int, int, int, int> big;
  for (int n = 0; n < 1000; ++n) big[(n * 7919) % 1000] = n;
  int expect = 0, key = 0, val = 0;
  for (POSITION p = big.GetStartPosition(); p; ++expect) {
    big.GetNextAssoc(p, key, val);
    ASSERT_EQ(expect, val);
  }
  EXPECT_EQ(1000, expect);
}

TEST(CoreCollections, MapRemovalWhileIteratingAndLookups) {
  CMapStringToPtr m;
  int a = 1, b = 2, c = 3;
  m.SetAt(L"a", &a);
  m.SetAt(L"b", &b);
  m.SetAt(L"c", &c);
  CString key;
  void* value = nullptr;
  for (POSITION p = m.GetStartPosition(); p;) {
    m.GetNextAssoc(p, key, value);
    if (*(int*)value != 2) {
      EXPECT_TRUE(m.RemoveKey(key));
    }
  }
  EXPECT_EQ(1, m.GetCount());
  EXPECT_TRUE(m.Lookup(L"b", value));
  EXPECT_EQ(&b, value);
  EXPECT_FALSE(m.Lookup(L"B", value));  // keys are case-sensitive
  EXPECT_FALSE(m.RemoveKey(L"a"));
  CString stored(L"b");
  EXPECT_TRUE(m.Lookup(stored, value));

  CMapPtrToPtr pp;
  pp.SetAt(&a, &b);
  EXPECT_TRUE(pp.Lookup(&a, value));
  EXPECT_FALSE(pp.Lookup(&b, value));
  CMapWordToPtr wp;
  wp[7] = &c;
  EXPECT_TRUE(wp.Lookup(7, value));
  EXPECT_EQ(&c, value);
  const CMapWordToPtr::CPair* pair = wp.PLookup(7);
  ASSERT_NE(nullptr, pair);
  EXPECT_EQ(7, pair->key);
  wp.RemoveAll();
  EXPECT_TRUE(wp.IsEmpty());
  EXPECT_EQ(nullptr, wp.GetStartPosition());
}

TEST(CoreCollections, ArraysGrowInsertAndRemove) {
  CStringArray s;
  s.Add(L"x");
  s.Add(CString(L"y"));
  s.SetAtGrow(4, L"z");
  EXPECT_EQ(5, s.GetSize());
  EXPECT_EQ(4, s.GetUpperBound());
  EXPECT_TRUE(s[2].IsEmpty());
  s.InsertAt(0, L"w", 2);
  s.RemoveAt(3, 3);  // y and the two gap elements
  CString all;
  for (INT_PTR i = 0; i < s.GetSize(); ++i) all += s[i] + L",";
  EXPECT_STREQ(L"w,w,x,z,", all);
  s.Add(s[0]);  // an element of the array itself
  EXPECT_STREQ(L"w", s[s.GetUpperBound()]);
  EXPECT_THROW(s.RemoveAt(5, 2), CException*);

  CDWordArray d;
  d.SetSize(3);
  EXPECT_EQ(0u, d[1]);
  d[1] = 0xFFFFFFFF;
  CDWordArray copy;
  copy.Copy(d);
  copy.Append(d);
  EXPECT_EQ(6, copy.GetSize());
  EXPECT_EQ(0xFFFFFFFFu, copy[4]);
  CUIntArray u;
  u.Add(5);
  u.InsertAt(3, 9);  // past the end: the gap is filled with zeros
  EXPECT_EQ(4, u.GetSize());
  EXPECT_EQ(9u, u[3]);
  CArray<CRect, const CRect&> rects;
  rects.Add(CRect(0, 0, 2, 3));
  EXPECT_EQ(6, rects[0].Width() * rects[0].Height());
  CPtrArray p;
  p.Add(nullptr);
  p.RemoveAll();
  EXPECT_TRUE(p.IsEmpty());
}

TEST(CoreCollections, GeometryOperators) {
  CRect r(10, 20, 110, 70);
  EXPECT_EQ(100, r.Width());
  EXPECT_EQ(CSize(100, 50), r.Size());
  EXPECT_EQ(CPoint(60, 45), r.CenterPoint());
  EXPECT_TRUE(r.PtInRect(CPoint(10, 20)));
  EXPECT_FALSE(r.PtInRect(CPoint(110, 70)));
  CRect moved = r + CPoint(5, -5);
  EXPECT_EQ(CRect(15, 15, 115, 65), moved);
  CRect both = r & CRect(100, 0, 200, 30);
  EXPECT_EQ(CRect(100, 20, 110, 30), both);
  EXPECT_EQ(CRect(0, 0, 110, 70), r | CRect(0, 0, 1, 1));
  EXPECT_TRUE((r & CRect(500, 500, 600, 600)).IsRectEmpty());
  r.DeflateRect(1, 2, 3, 4);
  EXPECT_EQ(CRect(11, 22, 107, 66), r);
  r.InflateRect(1, 1);
  r.MoveToXY(0, 0);
  EXPECT_EQ(CRect(0, 0, 98, 46), r);
  r.BottomRight() = CPoint(5, 6);
  EXPECT_EQ(CRect(0, 0, 5, 6), r);
  CRect flipped(10, 10, 0, 0);
  flipped.NormalizeRect();
  EXPECT_EQ(CRect(0, 0, 10, 10), flipped);
  EXPECT_EQ(CSize(3, 4), CPoint(5, 6) - CPoint(2, 2));
  EXPECT_EQ(CPoint(-3, 7), CPoint(MAKELPARAM(-3, 7)));
}

}  // namespace
