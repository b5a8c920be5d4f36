#include "CoolMenuManager.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(CCoolMenuManager, LWSubclassWnd)

namespace {

const DWORD kSignature = 0x3064696D;  // "mid0"

// The record each converted item carries as its item data.
struct ItemRecord {
    DWORD signature = kSignature;
    CString text;
    UINT type = 0;
    int image = -1;
};

struct ToolbarResource {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
    WORD ids[1];
};

MENUITEMINFOW ItemInfo(HMENU menu, UINT index, wchar_t* text, UINT size)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_STATE | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = size;
    if (text)
        text[0] = 0;
    if (!::GetMenuItemInfoW(menu, index, TRUE, &info))
        info.fMask = 0;
    return info;
}

} // namespace

CCoolMenuManager::CCoolMenuManager()
    : m_bAutoConvert(TRUE), m_bAutoAccel(TRUE), m_bUseDrawState(FALSE), m_bDrawDisabledButtonsInColor(FALSE),
      m_pFrame(nullptr), m_mapIdToImage(10), m_mapIdToAccel(10), m_hAccel(nullptr), m_pAccel(nullptr),
      m_menusConverted(10), m_szBitmap(0, 0), m_szButton(0, 0)
{
    m_mapIdToImage.InitHashTable(17);
    FixMFCDotBitmap();
}

CCoolMenuManager::~CCoolMenuManager()
{
    while (!m_menusConverted.IsEmpty()) {
        HMENU menu = (HMENU)m_menusConverted.RemoveHead();
        if (::IsMenu(menu))
            ConvertMenu(CMenu::FromHandle(menu), 0, FALSE, FALSE);
    }
    Destroy();
    // records of menus that went away with their windows
    POSITION pos = m_records.GetStartPosition();
    while (pos) {
        void* key = nullptr;
        void* value = nullptr;
        m_records.GetNextAssoc(pos, key, value);
        delete static_cast<ItemRecord*>(key);
    }
    m_records.RemoveAll();
}

void CCoolMenuManager::Install(CFrameWnd* frame)
{
    m_pFrame = frame;
    HookWindow(frame ? frame->GetSafeHwnd() : (HWND) nullptr);
}

bool CCoolMenuManager::IsOwnRecord(ULONG_PTR data) const
{
    void* value = nullptr;
    return data && const_cast<CMapPtrToPtr&>(m_records).Lookup((void*)data, value) &&
           reinterpret_cast<ItemRecord*>(data)->signature == kSignature;
}

void CCoolMenuManager::Destroy()
{
    m_ilButtons.DeleteImageList();
    m_mapIdToImage.RemoveAll();
    m_szBitmap = m_szButton = CSize(0, 0);
    m_arToolbarIds.RemoveAll();
    m_fontMenu.DeleteObject();
    DestroyAccel();
}

void CCoolMenuManager::Refresh()
{
    CUIntArray ids;
    ids.Copy(m_arToolbarIds);
    Destroy();
    for (INT_PTR i = 0; i < ids.GetSize(); ++i)
        LoadToolbar(ids[i]);
}

void CCoolMenuManager::AddImages(HBITMAP bitmap, const UINT* ids, int count)
{
    CBitmap strip;
    strip.Attach(bitmap);
    int next = m_ilButtons.GetImageCount();
    m_ilButtons.Add(&strip, ::GetSysColor(COLOR_BTNFACE));
    // Every command of the strip has its own image: a command that already has one keeps it,
    // and the next command still takes the image after it.
    for (int i = 0; i < count; ++i) {
        UINT id = ids[i];
        if (!id)
            continue;
        void* existing = nullptr;
        if (!m_mapIdToImage.Lookup((WORD)id, existing))
            m_mapIdToImage.SetAt((WORD)id, (void*)(INT_PTR)next);
        ++next;
    }
}

BOOL CCoolMenuManager::LoadToolbar(UINT id)
{
    HINSTANCE module = AfxFindResourceHandle(MAKEINTRESOURCE(id), MAKEINTRESOURCE(241));
    HRSRC found = module ? ::FindResourceW(module, MAKEINTRESOURCE(id), MAKEINTRESOURCE(241)) : nullptr;
    const ToolbarResource* bar = found ? (const ToolbarResource*)::LockResource(::LoadResource(module, found)) : nullptr;
    HINSTANCE bitmapModule = AfxFindResourceHandle(MAKEINTRESOURCE(id), RT_BITMAP);
    if (!bar || !bitmapModule) {
        TRACE(L"CCoolMenuManager::LoadToolbar: no tool bar %u\n", id);
        return FALSE;
    }
    if (m_szBitmap.cx && (m_szBitmap.cx != bar->width || m_szBitmap.cy != bar->height)) {
        TRACE(L"CCoolMenuManager::LoadToolbar: tool bar %u has another button size\n", id);
        return FALSE;
    }
    HBITMAP bitmap = (HBITMAP)::LoadImageW(bitmapModule, MAKEINTRESOURCE(id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
    if (!bitmap)
        return FALSE;
    if (!m_szBitmap.cx) {
        m_szBitmap = CSize(bar->width, bar->height);
        m_szButton = CSize(bar->width + 4, bar->height + 4);
        m_ilButtons.Create(bar->width, bar->height, ILC_MASK | ILC_COLOR24, 0, 10);
    }
    std::vector<UINT> ids(bar->ids, bar->ids + bar->count);
    AddImages(bitmap, ids.data(), (int)ids.size());
    m_arToolbarIds.Add(id);
    return TRUE;
}

BOOL CCoolMenuManager::LoadToolbars(const UINT* ids, int count)
{
    for (int i = 0; ids && i < count; ++i)
        LoadToolbar(ids[i]);
    return TRUE;
}

BOOL CCoolMenuManager::AddSingleBitmap(UINT bitmapId, UINT count, UINT* commandIds)
{
    HBITMAP bitmap = (HBITMAP)::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCE(bitmapId), IMAGE_BITMAP, 0, 0,
                                           LR_LOADMAP3DCOLORS);
    if (!bitmap) {
        TRACE(L"CCoolMenuManager::AddSingleBitmap: no bitmap %u\n", bitmapId);
        return FALSE;
    }
    if (!m_szBitmap.cx) {
        m_szBitmap = CSize(16, 15);
        m_szButton = CSize(20, 19);
        m_ilButtons.Create(16, 15, ILC_MASK | ILC_COLOR24, 0, 10);
    }
    AddImages(bitmap, commandIds, commandIds ? (int)count : 0);
    return TRUE;
}

int CCoolMenuManager::GetButtonIndex(WORD cmd)
{
    void* index = nullptr;
    return m_mapIdToImage.Lookup(cmd, index) ? (int)(INT_PTR)index : -1;
}

void CCoolMenuManager::DestroyAccel()
{
    m_mapIdToAccel.RemoveAll();
    delete[] m_pAccel;
    m_pAccel = nullptr;
    m_hAccel = nullptr;
}

void CCoolMenuManager::LoadAccel(HACCEL accel)
{
    DestroyAccel();
    if (!accel)
        return;
    int count = ::CopyAcceleratorTableW(accel, nullptr, 0);
    if (count <= 0)
        return;
    m_pAccel = new ACCEL[count];
    ::CopyAcceleratorTableW(accel, m_pAccel, count);
    m_hAccel = accel;
    // Entries of one command form a chain: each cmd field holds the distance back to the
    // previous entry of the same command (0 = none); the map points at the last one.
    for (int i = 0; i < count; ++i) {
        WORD cmd = m_pAccel[i].cmd;
        void* previous = nullptr;
        int back = 0;
        if (m_mapIdToAccel.Lookup(cmd, previous))
            back = i - (int)((ACCEL*)previous - m_pAccel);
        m_mapIdToAccel.SetAt(cmd, &m_pAccel[i]);
        m_pAccel[i].cmd = (WORD)back;
    }
}

ACCEL* CCoolMenuManager::GetAccel(WORD cmd)
{
    void* entry = nullptr;
    return m_mapIdToAccel.Lookup(cmd, entry) ? (ACCEL*)entry : nullptr;
}

int CCoolMenuManager::AppendAccelName(CString&, UINT)
{
    return 0;
}

CString CCoolMenuManager::GetVirtualKeyName(CString key)
{
    static const wchar_t* const names[][2] = {{L"Num 7", L"Home"}, {L"Num 1", L"End"}, {L"Num 9", L"PgUp"},
                                             {L"Num 3", L"PgDn"}, {L"Num 0", L"Ins"}, {L"Num Del", L"Del"}};
    for (const auto& pair : names)
        if (key == pair[0])
            return pair[1];
    return key;
}

CFont* CCoolMenuManager::GetMenuFont()
{
    if (!m_fontMenu.GetSafeHandle()) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            m_fontMenu.CreateFontIndirect(&metrics.lfMenuFont);
        else
            m_fontMenu.CreateStockObject(DEFAULT_GUI_FONT);
    }
    return &m_fontMenu;
}

void CCoolMenuManager::ConvertMenu(CMenu* menu, UINT, BOOL skipSystem, BOOL toOwnerDraw)
{
    HMENU handle = menu ? menu->GetSafeHmenu() : nullptr;
    if (!handle || !::IsMenu(handle))
        return;
    const int count = ::GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        wchar_t text[512];
        MENUITEMINFOW info = ItemInfo(handle, (UINT)i, text, 512);
        if (!info.fMask)
            continue;
        // Item data set by someone else (the frame's own owner-drawn items): not ours to touch.
        if (info.dwItemData && !IsOwnRecord(info.dwItemData))
            continue;
        if (skipSystem && info.wID >= 0xF000)
            continue;
        ItemRecord* record = reinterpret_cast<ItemRecord*>(info.dwItemData);
        MENUITEMINFOW change = {};
        change.cbSize = sizeof(change);
        if (toOwnerDraw) {
            if (info.fType & MFT_OWNERDRAW)
                continue;
            if (!record) {
                record = new ItemRecord;
                record->type = info.fType | MFT_OWNERDRAW;
                record->image = (info.fType & MFT_SEPARATOR) || info.hSubMenu ? -1 : GetButtonIndex((WORD)info.wID);
                record->text = text;
                m_records.SetAt(record, record);
            }
            change.fMask = MIIM_FTYPE | MIIM_DATA;
            change.fType = info.fType | MFT_OWNERDRAW;
            change.dwItemData = (ULONG_PTR)record;
            ::SetMenuItemInfoW(handle, (UINT)i, TRUE, &change);
            if (!m_menusConverted.Find(handle))
                m_menusConverted.AddHead(handle);
        } else {
            if (!record)
                continue;
            change.fMask = MIIM_FTYPE | MIIM_DATA | ((info.fType & MFT_SEPARATOR) ? 0 : MIIM_STRING);
            change.fType = info.fType & ~MFT_OWNERDRAW;
            change.dwItemData = 0;
            change.dwTypeData = const_cast<wchar_t*>((LPCTSTR)record->text);
            ::SetMenuItemInfoW(handle, (UINT)i, TRUE, &change);
            m_records.RemoveKey(record);
            delete record;
        }
    }
}

void CCoolMenuManager::OnInitMenuPopup(CMenu* menu, UINT index, BOOL sysMenu)
{
    BOOL skipSystem = sysMenu;
    if (m_bAutoAccel) {
        if (m_pFrame && ::IsWindow(m_pFrame->GetSafeHwnd()))
            LoadAccel(m_pFrame->m_hAccelTable);
        skipSystem = TRUE;
    }
    ConvertMenu(menu, index, skipSystem, m_bAutoConvert);
}

void CCoolMenuManager::OnMenuSelect(UINT, UINT flags, HMENU menu)
{
    if (menu || flags != 0xFFFF)
        return;
    while (!m_menusConverted.IsEmpty()) {
        HMENU converted = (HMENU)m_menusConverted.RemoveHead();
        if (::IsMenu(converted))
            ConvertMenu(CMenu::FromHandle(converted), 0, FALSE, FALSE);
    }
}

BOOL CCoolMenuManager::OnMeasureItem(MEASUREITEMSTRUCT* mis)
{
    if (!mis || mis->CtlType != ODT_MENU || !IsOwnRecord(mis->itemData))
        return FALSE;
    const ItemRecord* record = reinterpret_cast<const ItemRecord*>(mis->itemData);
    if (record->type & MFT_SEPARATOR) {
        mis->itemHeight = ::GetSystemMetrics(SM_CYMENU) / 2;
        mis->itemWidth = 0;
        return TRUE;
    }
    CWindowDC dc(nullptr);
    CFont* old = dc.SelectObject(GetMenuFont());
    CString text = record->text;
    text.Replace(L"\t", L"    ");
    CRect measured(0, 0, 0, 0);
    dc.DrawText(text, &measured, DT_SINGLELINE | DT_CALCRECT);
    dc.SelectObject(old);
    mis->itemHeight = (UINT)std::max((int)measured.Height(), ::GetSystemMetrics(SM_CYMENU));
    int width = measured.Width() + 2 * m_szButton.cx + 4 - ::GetSystemMetrics(SM_CXMENUCHECK);
    mis->itemWidth = (UINT)std::max(width, 0);
    return TRUE;
}

void CCoolMenuManager::DrawMenuText(CDC& dc, CRect rect, CString text, COLORREF color)
{
    CString left = text, right;
    int tab = text.Find(L'\t');
    if (tab >= 0) {
        left = text.Left(tab);
        right = text.Mid(tab + 1);
    }
    dc.SetTextColor(color);
    dc.DrawText(left, &rect, DT_SINGLELINE | DT_LEFT | DT_VCENTER);
    if (!right.IsEmpty())
        dc.DrawText(right, &rect, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
}

BOOL CCoolMenuManager::Draw3DCheckmark(CDC& dc, const CRect& box, BOOL selected, HBITMAP bitmap)
{
    if (!bitmap)
        bitmap = ::LoadBitmapW(nullptr, MAKEINTRESOURCE(32760));  // OBM_CHECK
    if (!bitmap)
        return FALSE;
    BITMAP bm = {};
    ::GetObjectW(bitmap, sizeof(bm), &bm);
    int w = std::min((int)bm.bmWidth, box.Width()), h = std::min((int)bm.bmHeight, box.Height());
    int x = box.left + (box.Width() - w) / 2, y = box.top + (box.Height() - h) / 2;
    int sx = (bm.bmWidth - w) / 2, sy = (bm.bmHeight - h) / 2;
    CDC mem;
    mem.CreateCompatibleDC(&dc);
    HGDIOBJ old = ::SelectObject(mem.GetSafeHdc(), bitmap);
    COLORREF oldBk = dc.SetBkColor(::GetSysColor(selected ? COLOR_MENU : COLOR_3DLIGHT));
    dc.BitBlt(x, y, w, h, &mem, sx, sy, SRCCOPY);
    dc.SetBkColor(oldBk);
    ::SelectObject(mem.GetSafeHdc(), old);
    CRect edge(x, y, x + w, y + h);
    if (bm.bmWidth < box.Width())
        edge.InflateRect(1, 1);
    dc.DrawEdge(&edge, BDR_SUNKENOUTER, BF_RECT);
    return TRUE;
}

BOOL CCoolMenuManager::OnDrawItem(DRAWITEMSTRUCT* dis)
{
    if (!dis || dis->CtlType != ODT_MENU || !IsOwnRecord(dis->itemData))
        return FALSE;
    const ItemRecord* record = reinterpret_cast<const ItemRecord*>(dis->itemData);
    CDC& dc = *CDC::FromHandle(dis->hDC);
    int saved = dc.SaveDC();
    CRect item(dis->rcItem);
    if (record->type & MFT_SEPARATOR) {
        CRect line = item;
        line.top += line.Height() / 2;
        dc.FillSolidRect(&item, ::GetSysColor(COLOR_MENU));
        dc.DrawEdge(&line, EDGE_ETCHED, BF_TOP);
        dc.RestoreDC(saved);
        return TRUE;
    }
    const bool disabled = (dis->itemState & ODS_GRAYED) != 0, selected = (dis->itemState & ODS_SELECTED) != 0;
    const bool checked = (dis->itemState & ODS_CHECKED) != 0;
    CRect box(item.left, item.top + (item.Height() - m_szButton.cy) / 2, item.left + m_szButton.cx,
              item.top + (item.Height() - m_szButton.cy) / 2 + m_szButton.cy);
    bool boxDrawn = false;
    if (record->image < 0 || !m_ilButtons.GetSafeHandle()) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_CHECKMARKS;
        ::GetMenuItemInfoW((HMENU)dis->hwndItem, dis->itemID, FALSE, &info);
        if (checked) {
            dc.FillSolidRect(&box, ::GetSysColor(COLOR_MENU));
            boxDrawn = Draw3DCheckmark(dc, box, selected, info.hbmpChecked) != FALSE;
        } else if (info.hbmpUnchecked) {
            boxDrawn = Draw3DCheckmark(dc, box, selected, info.hbmpUnchecked) != FALSE;
        }
    } else {
        CPoint at(box.left + (box.Width() - m_szBitmap.cx) / 2, box.top + (box.Height() - m_szBitmap.cy) / 2);
        if (disabled) {
            dc.FillSolidRect(&box, ::GetSysColor(COLOR_MENU));
            if (m_bUseDrawState) {
                HICON icon = m_ilButtons.ExtractIcon(record->image);
                dc.DrawState(at, m_szBitmap, icon, DSS_DISABLED | DST_ICON);
                ::DestroyIcon(icon);
            } else {
                // Embossed: the image on white in one colour, painted through twice.
                CDC mono;
                mono.CreateCompatibleDC(&dc);
                CBitmap plate;
                if (m_bDrawDisabledButtonsInColor)
                    plate.CreateCompatibleBitmap(&dc, m_szBitmap.cx, m_szBitmap.cy);
                else
                    plate.CreateBitmap(m_szBitmap.cx, m_szBitmap.cy, 1, 1, nullptr);
                CBitmap* old = mono.SelectObject(&plate);
                mono.PatBlt(0, 0, m_szBitmap.cx, m_szBitmap.cy, WHITENESS);
                m_ilButtons.Draw(&mono, record->image, CPoint(0, 0), ILD_TRANSPARENT);
                COLORREF oldBk = dc.SetBkColor(RGB(255, 255, 255));
                COLORREF oldText = dc.SetTextColor(RGB(0, 0, 0));
                HGDIOBJ oldBrush = ::SelectObject(dc.GetSafeHdc(), ::GetSysColorBrush(COLOR_BTNHIGHLIGHT));
                dc.BitBlt(at.x + 1, at.y + 1, m_szBitmap.cx, m_szBitmap.cy, &mono, 0, 0, 0xB8074A);
                ::SelectObject(dc.GetSafeHdc(), ::GetSysColorBrush(COLOR_BTNSHADOW));
                dc.BitBlt(at.x, at.y, m_szBitmap.cx, m_szBitmap.cy, &mono, 0, 0, 0xB8074A);
                ::SelectObject(dc.GetSafeHdc(), oldBrush);
                dc.SetBkColor(oldBk);
                dc.SetTextColor(oldText);
                mono.SelectObject(old);
            }
        } else {
            dc.FillSolidRect(&box, ::GetSysColor(checked && !selected ? COLOR_3DLIGHT : COLOR_MENU));
            if (selected || checked) {
                CRect edge = box;
                dc.DrawEdge(&edge, checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
            m_ilButtons.Draw(&dc, record->image, at, ILD_TRANSPARENT);
        }
        boxDrawn = true;
    }
    if (selected || (dis->itemAction & ODA_SELECT)) {
        CRect area = item;
        area.left = boxDrawn ? box.right + 1 : item.left;
        dc.FillSolidRect(&area, ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    }
    CRect textRect(item.left + m_szButton.cx + 2, item.top, item.right - m_szButton.cx, item.bottom);
    dc.SetBkMode(TRANSPARENT);
    dc.SelectObject(GetMenuFont());
    COLORREF color = disabled ? ::GetSysColor(COLOR_GRAYTEXT)
                     : selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                                : ::GetSysColor(COLOR_MENUTEXT);
    if (disabled && (!selected || ::GetSysColor(COLOR_GRAYTEXT) == ::GetSysColor(COLOR_HIGHLIGHT))) {
        CRect shadow = textRect;
        shadow.OffsetRect(1, 1);
        DrawMenuText(dc, shadow, record->text, ::GetSysColor(COLOR_3DHIGHLIGHT));
    }
    DrawMenuText(dc, textRect, record->text, color);
    dc.RestoreDC(saved);
    return TRUE;
}

LONG CCoolMenuManager::OnMenuChar(UINT ch, UINT, CMenu* menu)
{
    HMENU handle = menu ? menu->GetSafeHmenu() : nullptr;
    if (!handle)
        return 0;
    CString wanted((wchar_t)ch);
    wanted.MakeUpper();
    CUIntArray matches;
    int highlighted = -1;
    const int count = ::GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = ItemInfo(handle, (UINT)i, nullptr, 0);
        if (!info.fMask || !IsOwnRecord(info.dwItemData))
            continue;
        if (info.fState & MFS_HILITE)
            highlighted = i;
        CString text = reinterpret_cast<ItemRecord*>(info.dwItemData)->text;
        int amp = text.Find(L'&');
        if (amp >= 0 && amp + 1 < text.GetLength()) {
            CString mnemonic = text.Mid(amp + 1, 1);
            mnemonic.MakeUpper();
            if (mnemonic == wanted)
                matches.Add((UINT)i);
        }
    }
    if (matches.GetSize() == 0)
        return 0;
    if (matches.GetSize() == 1)
        return MAKELONG(matches[0], MNC_EXECUTE);
    UINT chosen = matches[0];
    for (INT_PTR i = 0; i < matches.GetSize(); ++i) {
        if ((int)matches[i] > highlighted) {
            chosen = matches[i];
            break;
        }
    }
    return MAKELONG(chosen, MNC_SELECT);
}

LRESULT CCoolMenuManager::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        Refresh();
        break;
    case WM_DRAWITEM:
        if (OnDrawItem((DRAWITEMSTRUCT*)lParam))
            return TRUE;
        break;
    case WM_MEASUREITEM:
        if (OnMeasureItem((MEASUREITEMSTRUCT*)lParam))
            return TRUE;
        break;
    case WM_INITMENUPOPUP:
        LWSubclassWnd::WindowProc(msg, wParam, lParam);
        OnInitMenuPopup(CMenu::FromHandle((HMENU)wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), (HMENU)lParam);
        break;
    case WM_MENUCHAR: {
        LONG answer = OnMenuChar(LOWORD(wParam), HIWORD(wParam), CMenu::FromHandle((HMENU)lParam));
        if (answer)
            return answer;
        break;
    }
    default:
        break;
    }
    return LWSubclassWnd::WindowProc(msg, wParam, lParam);
}

HBITMAP CCoolMenuManager::GetMFCDotBitmap()
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return nullptr;
    ::AppendMenuW(menu, MF_STRING, 1, L"x");
    ::CheckMenuRadioItem(menu, 1, 1, 1, MF_BYCOMMAND);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    ::GetMenuItemInfoW(menu, 1, FALSE, &info);
    ::DestroyMenu(menu);
    return info.hbmpChecked;
}

void CCoolMenuManager::FixMFCDotBitmap()
{
    HBITMAP dot = GetMFCDotBitmap();
    if (!dot)
        return;  // the system draws its own radio mark
    BITMAP bm = {};
    ::GetObjectW(dot, sizeof(bm), &bm);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dot);
    RECT all = {0, 0, bm.bmWidth, bm.bmHeight};
    ::FillRect(mem, &all, (HBRUSH)::GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldBrush = ::SelectObject(mem, ::GetStockObject(BLACK_BRUSH));
    int cx = bm.bmWidth / 2, cy = bm.bmHeight / 2;
    ::Ellipse(mem, cx - 2, cy - 2, cx + 2, cy + 2);
    ::SelectObject(mem, oldBrush);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}
