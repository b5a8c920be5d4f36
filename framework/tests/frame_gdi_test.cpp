// GDI wrappers: drawing into memory DCs checked pixel by pixel, object selection and the handle
// maps, ownership, the live-object count, separate output and attribute DCs, image lists.
#include "FxGdi.h"
#include <gtest/gtest.h>
#include <vector>

#define IDB_FRAME_STRIP 3001
#define IDB_BUTTONS4 3030
#define IDB_BUTTONS24 3031

namespace {

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// A 32-bit memory surface of w x h pixels, filled white.
struct Surface {
  CDC dc;
  CBitmap bitmap;
  CBitmap* old = nullptr;
  Surface(int w, int h) {
    EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    EXPECT_TRUE(bitmap.Attach(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)));
    old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, kWhite);
  }
  ~Surface() { dc.SelectObject(old); }
};

TEST(FrameGdi, MemoryDcDrawingLandsOnTheExpectedPixels) {
  struct Case {
    const char* what;
    void (*draw)(CDC& dc);
    POINT inside[2];
    COLORREF colour;
    POINT outside;
  } cases[] = {
      {"FillSolidRect", [](CDC& dc) { dc.FillSolidRect(2, 3, 4, 5, kRed); }, {{2, 3}, {5, 7}}, kRed, {6, 3}},
      {"FillRect with a brush",
       [](CDC& dc) {
         CBrush b(kGreen);
         CRect rc(10, 10, 14, 12);
         dc.FillRect(&rc, &b);
       },
       {{10, 10}, {13, 11}}, kGreen, {14, 11}},
      {"Draw3dRect top-left edge",
       [](CDC& dc) { dc.Draw3dRect(20, 20, 6, 6, kBlue, kRed); }, {{20, 20}, {20, 24}}, kBlue, {21, 21}},
      {"Draw3dRect bottom-right edge",
       [](CDC& dc) { dc.Draw3dRect(20, 20, 6, 6, kBlue, kRed); }, {{25, 20}, {20, 25}}, kRed, {24, 24}},
      {"Rectangle with pen and brush interior",
       [](CDC& dc) {
         CPen pen(PS_SOLID, 1, kBlack);
         CBrush brush(kBlue);
         CPen* op = dc.SelectObject(&pen);
         CBrush* ob = dc.SelectObject(&brush);
         dc.Rectangle(30, 30, 36, 36);
         dc.SelectObject(op);
         dc.SelectObject(ob);
       },
       {{31, 31}, {34, 34}}, kBlue, {36, 36}},
      {"MoveTo and LineTo exclude the end point",
       [](CDC& dc) {
         CPen pen(PS_SOLID, 1, kRed);
         CPen* op = dc.SelectObject(&pen);
         dc.MoveTo(0, 40);
         dc.LineTo(5, 40);
         dc.SelectObject(op);
       },
       {{0, 40}, {4, 40}}, kRed, {5, 40}},
      {"SetPixel",
       [](CDC& dc) { dc.SetPixel(45, 45, kGreen); }, {{45, 45}, {45, 45}}, kGreen, {46, 45}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Surface s(64, 64);
    c.draw(s.dc);
    for (POINT p : c.inside) EXPECT_EQ(c.colour, s.dc.GetPixel(p)) << p.x << "," << p.y;
    EXPECT_EQ(kWhite, s.dc.GetPixel(c.outside));
  }
}

TEST(FrameGdi, SelectObjectReturnsThePreviousObjectThroughTheHandleMap) {
  Surface s(8, 8);
  CPen red(PS_SOLID, 1, kRed), blue(PS_SOLID, 1, kBlue);
  CPen* first = s.dc.SelectObject(&red);
  // The DC's initial pen belongs to nobody: a temporary wrapper of the right class.
  ASSERT_NE(nullptr, first);
  EXPECT_TRUE(first->IsKindOf(RUNTIME_CLASS(CPen)));
  EXPECT_EQ(GetStockObject(BLACK_PEN), first->m_hObject);
  EXPECT_EQ(first, CPen::FromHandle((HPEN)GetStockObject(BLACK_PEN)));  // one temporary per handle
  // A handle attached to an object answers with that object.
  EXPECT_EQ(&red, s.dc.SelectObject(&blue));
  EXPECT_EQ(&blue, s.dc.GetCurrentPen());
  EXPECT_EQ(&blue, s.dc.SelectObject(first));
  EXPECT_EQ(nullptr, s.dc.SelectObject((CPen*)nullptr));

  struct Kind {
    HGDIOBJ handle;
    CRuntimeClass* cls;
  } kinds[] = {{GetStockObject(WHITE_BRUSH), RUNTIME_CLASS(CBrush)},
               {GetStockObject(DEFAULT_GUI_FONT), RUNTIME_CLASS(CFont)},
               {GetStockObject(DEFAULT_PALETTE), RUNTIME_CLASS(CPalette)}};
  for (const Kind& k : kinds) {
    CGdiObject* o = CGdiObject::FromHandle(k.handle);
    ASSERT_NE(nullptr, o);
    EXPECT_TRUE(o->IsKindOf(k.cls)) << k.cls->m_lpszClassName;
  }
  // Temporaries leave their handles alive when they go.
  long before = AfxGetGdiObjectCount();
  AfxDeleteTempGdiMaps();
  EXPECT_EQ(before, AfxGetGdiObjectCount());
  EXPECT_EQ((DWORD)OBJ_PEN, GetObjectType(GetStockObject(BLACK_PEN)));
  CGdiObject* again = CGdiObject::FromHandle(GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(again->IsKindOf(RUNTIME_CLASS(CBrush)));
  AfxDeleteTempGdiMaps();
}

TEST(FrameGdi, OwnershipAttachDetachAndDelete) {
  long base = AfxGetGdiObjectCount();
  HBRUSH kept;
  HBRUSH deleted;
  {
    CBrush a(kRed), b(kBlue);
    EXPECT_EQ(base + 2, AfxGetGdiObjectCount());
    EXPECT_EQ(&a, CBrush::FromHandle(a));
    kept = (HBRUSH)a.Detach();
    deleted = b;
    EXPECT_EQ(nullptr, a.m_hObject);
    EXPECT_EQ(base + 1, AfxGetGdiObjectCount());
    // Once detached the handle is nobody's: FromHandle makes a temporary.
    CBrush* temp = CBrush::FromHandle(kept);
    EXPECT_NE(&a, temp);
    EXPECT_FALSE(a.DeleteObject());  // nothing to delete
  }
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(kept));
  EXPECT_EQ(0u, GetObjectType(deleted));
  AfxDeleteTempGdiMaps();
  EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(kept));
  {
    CBrush c;
    EXPECT_TRUE(c.Attach(kept));
    EXPECT_EQ(&c, CBrush::FromHandle(kept));
  }
  EXPECT_EQ(0u, GetObjectType(kept));
  EXPECT_EQ(base, AfxGetGdiObjectCount());

  // An object holds one handle: making a second is refused and leaks nothing.
  {
    CBrush red(kRed);
    HGDIOBJ first = red.m_hObject;
    EXPECT_FALSE(red.CreateSolidBrush(kBlue));
    EXPECT_EQ(first, red.m_hObject);
    EXPECT_EQ(base + 1, AfxGetGdiObjectCount());
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
    HDC dc = mem.m_hDC;
    EXPECT_FALSE(mem.CreateCompatibleDC(nullptr));
    EXPECT_EQ(dc, mem.m_hDC);
    CImageList list;
    ASSERT_TRUE(list.Create(8, 8, ILC_COLOR24, 1, 1));
    EXPECT_FALSE(list.Create(8, 8, ILC_COLOR24, 1, 1));
    EXPECT_EQ(base + 3, AfxGetGdiObjectCount());
  }
  EXPECT_EQ(base, AfxGetGdiObjectCount());
}

// The shape of a paint handler: memory DC, bitmap, pens, brushes and fonts made, selected and put
// back on every pass. Nothing may be left over afterwards.
TEST(FrameGdi, PaintLoopLeavesGdiObjectsBalanced) {
  long base = AfxGetGdiObjectCount();
  std::vector<HGDIOBJ> made;
  for (int pass = 0; pass < 20; ++pass) {
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateCompatibleBitmap(nullptr, 16, 16));
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, L"Tahoma"));
    CPen pen(PS_DOT, 1, kRed);
    CBrush brush(HS_CROSS, kBlue);
    CRgn rgn;
    ASSERT_TRUE(rgn.CreateRectRgn(0, 0, 8, 8));
    made.insert(made.end(), {bmp.m_hObject, font.m_hObject, pen.m_hObject, brush.m_hObject, rgn.m_hObject});
    int saved = mem.SaveDC();
    mem.SelectObject(&bmp);
    mem.SelectObject(&font);
    mem.SelectObject(&pen);
    mem.SelectObject(&brush);
    mem.SelectClipRgn(&rgn);
    mem.Rectangle(0, 0, 16, 16);
    mem.TextOut(0, 0, CString(L"x"));
    mem.RestoreDC(saved);
    EXPECT_EQ(base + 6, AfxGetGdiObjectCount());  // DC, bitmap, font, pen, brush, region
  }
  AfxDeleteTempGdiMaps();
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  for (HGDIOBJ h : made) EXPECT_EQ(0u, GetObjectType(h));
}

TEST(FrameGdi, SaveAndRestoreBringBackObjectsAndColours) {
  Surface s(4, 4);
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(120, L"Arial"));
  s.dc.SetTextColor(kRed);
  CFont* before = s.dc.GetCurrentFont();
  int saved = s.dc.SaveDC();
  ASSERT_NE(0, saved);
  s.dc.SelectObject(&font);
  s.dc.SetTextColor(kBlue);
  s.dc.SetBkMode(TRANSPARENT);
  EXPECT_EQ(&font, s.dc.GetCurrentFont());
  EXPECT_TRUE(s.dc.RestoreDC(saved));
  EXPECT_EQ(before, s.dc.GetCurrentFont());
  EXPECT_EQ(kRed, s.dc.GetTextColor());
  EXPECT_EQ(OPAQUE, s.dc.GetBkMode());
}

// Output and attribute handles apart, as a buffering paint DC uses them: drawing reaches only the
// output handle, state changes both, and queries read the attribute handle.
TEST(FrameGdi, SeparateOutputAndAttributeHandles) {
  Surface out(8, 8), attr(8, 8);
  CDC dc;
  dc.m_hDC = out.dc.m_hDC;
  dc.m_hAttribDC = attr.dc.m_hDC;
  COLORREF old = dc.SetTextColor(kGreen);
  EXPECT_EQ(GetTextColor(attr.dc), kGreen);
  EXPECT_EQ(GetTextColor(out.dc), kGreen);
  EXPECT_EQ(kBlack, old);
  dc.FillSolidRect(0, 0, 2, 2, kRed);
  EXPECT_EQ(kRed, GetPixel(out.dc, 1, 1));
  EXPECT_EQ(kWhite, GetPixel(attr.dc, 1, 1));
  CPoint org = dc.SetViewportOrg(3, 4);
  EXPECT_EQ(CPoint(0, 0), org);
  EXPECT_EQ(CPoint(3, 4), dc.GetViewportOrg());
  POINT p;
  GetViewportOrgEx(out.dc, &p);
  EXPECT_EQ(3, p.x);
  dc.MoveTo(1, 1);
  dc.LineTo(5, 2);
  EXPECT_EQ(CPoint(5, 2), dc.GetCurrentPosition());
  dc.SetViewportOrg(0, 0);
  dc.m_hDC = dc.m_hAttribDC = nullptr;  // borrowed handles: not this object's to delete
}

TEST(FrameGdi, FontsFromPointSizesAndDescriptions) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  struct Case {
    int tenths;
    LPCTSTR face;
  } cases[] = {{90, L"Tahoma"}, {120, L"Arial"}, {80, L"Verdana"}};
  for (const Case& c : cases) {
    CFont f;
    ASSERT_TRUE(f.CreatePointFont(c.tenths, c.face));
    LOGFONT lf = {};
    ASSERT_EQ((int)sizeof(lf), f.GetLogFont(&lf));
    EXPECT_EQ(-MulDiv(dpi, c.tenths, 720), lf.lfHeight) << c.tenths;
    EXPECT_STREQ(c.face, lf.lfFaceName);
  }
  CFont g;
  ASSERT_TRUE(g.CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, 204, 0, 0, 5, 0, L"Tahoma"));
  LOGFONT lf = {};
  g.GetLogFont(&lf);
  EXPECT_EQ(-12, lf.lfHeight);
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  EXPECT_EQ(204, lf.lfCharSet);
  // Text measured through the wrapper agrees with the system (no width is assumed).
  Surface s(4, 4);
  s.dc.SelectObject(&g);
  SIZE sys;
  GetTextExtentPoint32W(s.dc, L"Pelora", 6, &sys);
  EXPECT_EQ(CSize(sys), s.dc.GetTextExtent(CString(L"Pelora")));
  s.dc.SelectStockObject(SYSTEM_FONT);
}

TEST(FrameGdi, BitmapsFromTheResourceListAndPatternBrushes) {
  CBitmap strip;
  ASSERT_TRUE(strip.LoadBitmap(IDB_FRAME_STRIP));
  BITMAP bm = {};
  ASSERT_TRUE(strip.GetBitmap(&bm));
  EXPECT_EQ(24, bm.bmWidth);
  EXPECT_EQ(8, bm.bmHeight);
  CBitmap missing;
  EXPECT_FALSE(missing.LoadBitmap(3999));
  EXPECT_EQ(nullptr, missing.m_hObject);

  // A pattern brush tiles the bitmap from the brush origin.
  CBrush pattern(&strip);
  Surface s(48, 8);
  CRect all(0, 0, 48, 8);
  s.dc.FillRect(&all, &pattern);
  EXPECT_EQ(kRed, s.dc.GetPixel(0, 0));
  EXPECT_EQ(kBlue, s.dc.GetPixel(1, 1));
  EXPECT_EQ(kGreen, s.dc.GetPixel(9, 1));
  EXPECT_EQ(kRed, s.dc.GetPixel(24, 0));
  EXPECT_EQ(kBlue, s.dc.GetPixel(25, 3));
}

// Button art in the classic greys comes out in the system's button colours, from a colour table
// or from 24-bit pixels alike; mono keeps black and whitens the rest; other colours stay.
TEST(FrameGdi, SysColorBitmapMapsTheButtonGreys) {
  const COLORREF text = ::GetSysColor(COLOR_BTNTEXT), shadow = ::GetSysColor(COLOR_BTNSHADOW),
                 face = ::GetSysColor(COLOR_BTNFACE), light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
  struct Case {
    UINT id;
    BOOL mono;
    COLORREF columns[5];  // black, grey 128, grey 192, white, red as drawn
  } cases[] = {
      {IDB_BUTTONS4, FALSE, {text, shadow, face, light, kRed}},
      {IDB_BUTTONS24, FALSE, {text, shadow, face, light, kRed}},
      {IDB_BUTTONS4, TRUE, {kBlack, kWhite, kWhite, kWhite, kRed}},
      {IDB_BUTTONS24, TRUE, {kBlack, kWhite, kWhite, kWhite, kRed}},
  };
  for (const Case& c : cases) {
    HINSTANCE inst = AfxFindResourceHandle(MAKEINTRESOURCE(c.id), RT_BITMAP);
    ASSERT_NE(nullptr, inst) << c.id;
    HBITMAP bitmap = AfxLoadSysColorBitmap(inst, ::FindResourceW(inst, MAKEINTRESOURCE(c.id), RT_BITMAP), c.mono);
    ASSERT_NE(nullptr, bitmap) << c.id;
    BITMAP info = {};
    ::GetObjectW(bitmap, sizeof(info), &info);
    EXPECT_EQ(5, info.bmWidth);
    EXPECT_EQ(2, info.bmHeight);
    HDC mem = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    for (int x = 0; x < 5; ++x)
      for (int y = 0; y < 2; ++y)
        EXPECT_EQ(::GetNearestColor(mem, c.columns[x]), ::GetPixel(mem, x, y)) << c.id << " mono " << c.mono << " x " << x;
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(bitmap);
  }
  // not a bitmap there: nothing
  HINSTANCE self = ::GetModuleHandleW(nullptr);
  EXPECT_EQ(nullptr, AfxLoadSysColorBitmap(self, nullptr));
  EXPECT_EQ(nullptr, AfxLoadSysColorBitmap(self, ::FindResourceW(self, MAKEINTRESOURCE(3010), RT_MENU)));
}

TEST(FrameGdi, RegionsCombineAndClip) {
  CRgn a, b, both;
  ASSERT_TRUE(a.CreateRectRgn(0, 0, 10, 10));
  ASSERT_TRUE(b.CreateRectRgn(5, 5, 15, 15));
  ASSERT_TRUE(both.CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(COMPLEXREGION, both.CombineRgn(&a, &b, RGN_OR));
  EXPECT_TRUE(both.PtInRegion(12, 12));
  EXPECT_FALSE(both.PtInRegion(12, 2));
  CRect box;
  both.GetRgnBox(&box);
  EXPECT_EQ(CRect(0, 0, 15, 15), box);

  Surface s(16, 16);
  s.dc.SelectClipRgn(&both);
  s.dc.FillSolidRect(0, 0, 16, 16, kRed);
  EXPECT_EQ(kRed, s.dc.GetPixel(12, 12));
  EXPECT_EQ(kWhite, s.dc.GetPixel(12, 2));
  s.dc.SelectClipRgn(nullptr);
}

TEST(FrameGdi, ImageListFromResourceWithMaskColour) {
  long base = AfxGetGdiObjectCount();
  {
    CImageList list;
    ASSERT_TRUE(list.Create(IDB_FRAME_STRIP, 8, 1, kRed));
    EXPECT_EQ(3, list.GetImageCount());
    int cx = 0, cy = 0;
    list.GetIconSize(&cx, &cy);
    EXPECT_EQ(8, cx);
    EXPECT_EQ(8, cy);
    EXPECT_EQ(&list, CImageList::FromHandle(list));

    Surface s(40, 8);
    s.dc.FillSolidRect(0, 0, 40, 8, kBlack);
    struct Case {
      int image;
      COLORREF body;
    } cases[] = {{0, kBlue}, {1, kGreen}, {2, RGB(0, 0, 128)}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.image);
      int x = c.image * 10;
      EXPECT_TRUE(list.Draw(&s.dc, c.image, CPoint(x, 0), ILD_TRANSPARENT));
      EXPECT_EQ(kBlack, s.dc.GetPixel(x, 0));  // the masked pixel shows the background
      EXPECT_EQ(c.body, s.dc.GetPixel(x + 3, 4));
    }
    EXPECT_FALSE(list.Draw(&s.dc, 5, CPoint(0, 0), ILD_NORMAL));

    // Add, Replace and Remove keep the count and the pictures in step.
    CImageList built;
    ASSERT_TRUE(built.Create(8, 8, ILC_COLOR24 | ILC_MASK, 2, 2));
    CBitmap strip;
    ASSERT_TRUE(strip.LoadBitmap(IDB_FRAME_STRIP));
    EXPECT_EQ(0, built.Add(&strip, kRed));
    EXPECT_EQ(3, built.GetImageCount());
    EXPECT_EQ(3, built.Add(&strip, kRed));
    EXPECT_EQ(6, built.GetImageCount());
    EXPECT_TRUE(built.Remove(0));
    EXPECT_EQ(5, built.GetImageCount());
    CBitmap one;
    ASSERT_TRUE(one.CreateCompatibleBitmap(nullptr, 8, 8));
    {
      CDC mem;
      mem.CreateCompatibleDC(nullptr);
      CBitmap* old = mem.SelectObject(&one);
      mem.FillSolidRect(0, 0, 8, 8, kWhite);
      mem.SelectObject(old);
    }
    EXPECT_TRUE(built.Replace(0, &one, nullptr));
    s.dc.FillSolidRect(0, 0, 40, 8, kBlack);
    built.Draw(&s.dc, 0, CPoint(0, 0), ILD_NORMAL);
    EXPECT_EQ(kWhite, s.dc.GetPixel(4, 4));
    built.Draw(&s.dc, 1, CPoint(10, 0), ILD_NORMAL);
    EXPECT_EQ(RGB(0, 0, 128), s.dc.GetPixel(14, 4));

    HIMAGELIST raw = built.Detach();
    EXPECT_EQ(5, ImageList_GetImageCount(raw));
    ImageList_Destroy(raw);
  }
  AfxDeleteTempGdiMaps();
  EXPECT_EQ(base, AfxGetGdiObjectCount());
  CImageList none;
  EXPECT_FALSE(none.Create(3999, 8, 1, kRed));
}

}  // namespace
