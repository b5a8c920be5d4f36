// CImageList over comctl32's image lists.
#include "FxGdi.h"
#include "GdiHandleMap.h"

namespace {

FxHandleMap<CImageList, HIMAGELIST>& ImageListMap() {
  static FxHandleMap<CImageList, HIMAGELIST> map;
  return map;
}

}  // namespace

IMPLEMENT_DYNCREATE(CImageList, CObject)

CImageList::~CImageList() { DeleteImageList(); }

CImageList* PASCAL CImageList::FromHandle(HIMAGELIST h) {
  return ImageListMap().FromHandle(h, [](HIMAGELIST list) {
    CImageList* obj = new CImageList;
    obj->m_hImageList = list;
    return obj;
  });
}

void PASCAL CImageList::DeleteTempMap() {
  ImageListMap().DeleteTemporaries([](CImageList* l) { l->m_hImageList = nullptr; });
}

BOOL CImageList::Attach(HIMAGELIST h) {
  ASSERT(m_hImageList == nullptr);
  if (!h || m_hImageList) return FALSE;
  m_hImageList = h;
  ImageListMap().SetPermanent(h, this);
  ++g_fxGdiLive;
  return TRUE;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST h = m_hImageList;
  if (h) {
    ImageListMap().RemovePermanent(h, this);
    --g_fxGdiLive;
  }
  m_hImageList = nullptr;
  return h;
}

BOOL CImageList::DeleteImageList() {
  if (!m_hImageList) return FALSE;
  return ImageList_Destroy(Detach());
}

// A list this object made but cannot keep (it holds one already) is destroyed again.
static BOOL AttachOrDestroy(CImageList* obj, HIMAGELIST h) {
  if (!h) return FALSE;
  if (obj->Attach(h)) return TRUE;
  ImageList_Destroy(h);
  return FALSE;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (m_hImageList) return FALSE;
  return AttachOrDestroy(this, ImageList_Create(cx, cy, flags, initial, grow));
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask) {
  return Create(MAKEINTRESOURCE(bitmapId), cx, grow, mask);
}

BOOL CImageList::Create(LPCTSTR bitmapName, int cx, int grow, COLORREF mask) {
  HINSTANCE module = AfxFindResourceHandle(bitmapName, RT_BITMAP);
  if (!module || m_hImageList) return FALSE;
  // A DIB section keeps the bitmap's own colour depth in the list.
  return AttachOrDestroy(this, ImageList_LoadImageW(module, bitmapName, cx, grow, mask, IMAGE_BITMAP,
                                                    LR_CREATEDIBSECTION));
}

int CImageList::Add(CBitmap* bitmap, CBitmap* mask) {
  return ImageList_Add(m_hImageList, (HBITMAP)bitmap->GetSafeHandle(), (HBITMAP)mask->GetSafeHandle());
}

int CImageList::Add(CBitmap* bitmap, COLORREF mask) {
  return ImageList_AddMasked(m_hImageList, (HBITMAP)bitmap->GetSafeHandle(), mask);
}

BOOL CImageList::Replace(int image, CBitmap* bitmap, CBitmap* mask) {
  return ImageList_Replace(m_hImageList, image, (HBITMAP)bitmap->GetSafeHandle(), (HBITMAP)mask->GetSafeHandle());
}

BOOL CImageList::Draw(CDC* dc, int image, POINT p, UINT style) {
  return ImageList_Draw(m_hImageList, image, dc->GetSafeHdc(), p.x, p.y, style);
}

BOOL CImageList::DrawEx(CDC* dc, int image, POINT p, SIZE s, COLORREF bk, COLORREF fg, UINT style) {
  return ImageList_DrawEx(m_hImageList, image, dc->GetSafeHdc(), p.x, p.y, s.cx, s.cy, bk, fg, style);
}
