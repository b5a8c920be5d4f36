// The skinned dialog base, button and edit of the add-in.
#include "Controls.h"
#include <map>

namespace UI {

namespace {

HBITMAP LoadSkinBitmap(UINT id) {
  return (HBITMAP)LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
}

// Copies a bitmap as nine slices: corners as they are, edges and centre stretched to dst.
// Border widths: left l, top t; right part from x r, bottom part from y b of the source.
void DrawNineSlice(HDC dc, HDC src, const CRect& dst, int w, int h, int l, int t, int r, int b, bool transparent) {
  int rw = w - r, bh = h - b;
  int dl = dst.left, dt = dst.top, dr = dst.right, db = dst.bottom;
  struct Part { int dx, dy, dw, dh, sx, sy, sw, sh; } parts[9] = {
      {dl + l, dt + t, dr - dl - l - rw, db - dt - t - bh, l, t, r - l, b - t},  // centre
      {dl, dt, l, t, 0, 0, l, t},
      {dr - rw, dt, rw, t, r, 0, rw, t},
      {dl, db - bh, l, bh, 0, b, l, bh},
      {dr - rw, db - bh, rw, bh, r, b, rw, bh},
      {dl + l, dt, dr - dl - l - rw, t, l, 0, r - l, t},
      {dl + l, db - bh, dr - dl - l - rw, bh, l, b, r - l, bh},
      {dl, dt + t, l, db - dt - t - bh, 0, t, l, b - t},
      {dr - rw, dt + t, rw, db - dt - t - bh, r, t, rw, b - t},
  };
  SetStretchBltMode(dc, COLORONCOLOR);
  for (const Part& p : parts) {
    if (p.dw <= 0 || p.dh <= 0 || p.sw <= 0 || p.sh <= 0) continue;
    if (transparent)
      TransparentBlt(dc, p.dx, p.dy, p.dw, p.dh, src, p.sx, p.sy, p.sw, p.sh, 0xFFFFFF);
    else
      StretchBlt(dc, p.dx, p.dy, p.dw, p.dh, src, p.sx, p.sy, p.sw, p.sh, SRCCOPY);
  }
}

// Class defaults of the buttons: faces, check glyphs and the group table; made with the first
// button and freed with the last.
struct ButtonDefaults {
  int live = 0;
  HBITMAP face = nullptr, pressed = nullptr;
  HIMAGELIST checks = nullptr;
  std::vector<LWButton*> buttons;
};
ButtonDefaults g_buttons;

}  // namespace

HFONT SharedFont(const wchar_t* face, int height, int weight, bool underline) {
  static std::map<std::wstring, HFONT> fonts;
  std::wstring key = std::wstring(face) + L"|" + std::to_wstring(height) + L"|" + std::to_wstring(weight) +
                     (underline ? L"|u" : L"");
  HFONT& f = fonts[key];
  if (!f)
    f = CreateFontW(height, 0, 0, 0, weight, FALSE, underline, FALSE, 204, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
  return f;
}

// ---- CDialogExt ----

const int CDialogExt::kDefaultSkin[13] = {197, 40, 60, 12, 35, 28, 47, 40, 0, 57, 17, 25, 8};

CDialogExt::CDialogExt(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {
  m_captionFont = SharedFont(L"Helvetica", -12, 500);
}

CDialogExt::~CDialogExt() {
  if (m_skinBitmap) DeleteObject(m_skinBitmap);
}

void CDialogExt::SetSkin(const int record[13]) {
  for (int i = 0; i < 13; ++i) m_skin[i] = record[i];
  if (m_skinBitmap) DeleteObject(m_skinBitmap);
  m_skinBitmap = record[0] ? LoadSkinBitmap((UINT)record[0]) : nullptr;
}

CRect CDialogExt::GetCloseGlyphRect() const {
  CRect client;
  ::GetClientRect(m_hWnd, &client);
  int x = client.right - m_skin[11], y = m_skin[12];
  return CRect(x, y, x + m_skin[9] - m_skin[7], y + m_skin[10] - m_skin[8]);
}

BOOL CDialogExt::OnInitDialog() {
  BOOL result = CDialog::OnInitDialog();
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    ::SendMessageW(child, WM_SETFONT, (WPARAM)m_captionFont, FALSE);
  CutCorners();
  SetSkin(kDefaultSkin);
  if (!m_caption.empty()) ::SetWindowTextW(m_hWnd, m_caption.c_str());
  return result;
}

void CDialogExt::CutCorners() {
  CRect r;
  ::GetWindowRect(m_hWnd, &r);
  int w = r.Width(), h = r.Height();
  HRGN region = CreateRectRgn(0, 0, w, h);
  // seen from each corner: 2 x 2 at the corner, 2 x 1 next to it, 1 x 2 below it
  const RECT steps[3] = {{0, 0, 2, 2}, {2, 0, 4, 1}, {0, 2, 1, 4}};
  for (int corner = 0; corner < 4; ++corner) {
    for (const RECT& s : steps) {
      RECT c = s;
      if (corner & 1) c = {w - s.right, c.top, w - s.left, c.bottom};
      if (corner & 2) c = {c.left, h - s.bottom, c.right, h - s.top};
      HRGN part = CreateRectRgnIndirect(&c);
      CombineRgn(region, region, part, RGN_XOR);
      DeleteObject(part);
    }
  }
  ::SetWindowRgn(m_hWnd, region, TRUE);  // the window owns the region now
}

void CDialogExt::DrawBackground(HDC dc, const CRect& client) {
  if (m_background == m_keyColor) return;
  HBRUSH b = CreateSolidBrush(m_background);
  FillRect(dc, &client, b);
  DeleteObject(b);
}

void CDialogExt::DrawSkinFrame(HDC dc, const CRect& client) {
  if (!m_skinBitmap) return;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, m_skinBitmap);
  DrawNineSlice(dc, mem, client, m_skin[1], m_skin[2], m_skin[3], m_skin[4], m_skin[5], m_skin[6], true);
  CRect g = GetCloseGlyphRect();
  TransparentBlt(dc, g.left, g.top, g.Width(), g.Height(), mem, m_skin[7], m_skin[8], g.Width(), g.Height(), 0xFFFFFF);
  SelectObject(mem, old);
  DeleteDC(mem);
}

void CDialogExt::DrawCaption(HDC dc, const CRect& client) {
  HGDIOBJ old = SelectObject(dc, m_captionFont);
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, 0x212121);
  RECT r = {10, 8, client.right, m_skin[4]};
  DrawTextW(dc, m_caption.c_str(), (int)m_caption.size(), &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT CDialogExt::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      CRect client;
      ::GetClientRect(m_hWnd, &client);
      HDC dc = (HDC)wParam;
      DrawBackground(dc, client);
      DrawSkinFrame(dc, client);
      DrawCaption(dc, client);
      return TRUE;
    }
    case WM_PAINT:
      ::ValidateRect(m_hWnd, nullptr);
      return 0;
    case WM_NCHITTEST: {
      POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
      ::ScreenToClient(m_hWnd, &pt);
      if (GetCloseGlyphRect().PtInRect(pt)) return HTCLIENT;
      if (pt.y >= 0 && pt.y < m_skin[4]) return HTCAPTION;
      break;
    }
    case WM_LBUTTONDOWN: {
      CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
      if (GetCloseGlyphRect().PtInRect(pt)) {
        OnCancel();
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
      ::SetTextColor((HDC)wParam, 0x212121);
      ::SetBkColor((HDC)wParam, 0xFFFFFF);
      return (LRESULT)GetStockObject(WHITE_BRUSH);
    default: break;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

// ---- LWButton ----

LWButton::LWButton() : m_textColor(GetSysColor(COLOR_BTNTEXT)), m_backColor(GetSysColor(COLOR_BTNFACE)) {
  if (g_buttons.live++ == 0) {
    g_buttons.face = LoadSkinBitmap(kBmpButtonFace);
    g_buttons.pressed = LoadSkinBitmap(kBmpButtonFacePressed);
    g_buttons.checks = ImageList_LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kBmpCheckGlyphs), 13, 0, RGB(255, 0, 0),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
  }
  g_buttons.buttons.push_back(this);
}

LWButton::~LWButton() {
  for (size_t i = 0; i < g_buttons.buttons.size(); ++i)
    if (g_buttons.buttons[i] == this) g_buttons.buttons.erase(g_buttons.buttons.begin() + (long)i--);
  if (--g_buttons.live == 0) {
    if (g_buttons.face) DeleteObject(g_buttons.face);
    if (g_buttons.pressed) DeleteObject(g_buttons.pressed);
    if (g_buttons.checks) ImageList_Destroy(g_buttons.checks);
    g_buttons = ButtonDefaults();
  }
}

void LWButton::PreSubclassWindow() {
  // the template says what the button is; drawing is ours from now on
  DWORD type = GetStyle() & BS_TYPEMASK;
  if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE) {
    m_kind = KindCheck;
    m_checked = ::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  } else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
    m_kind = KindRadio;
    m_checked = ::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  m_default = type == BS_DEFPUSHBUTTON;
  ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
}

void LWButton::SetKind(int kind) {
  m_kind = kind;
  if (kind != KindToggle && kind != KindToggleHot) m_checked = false;
  Repaint();
}
void LWButton::SetTextPlacement(int placement) {
  m_textPlacement = placement;
  Repaint();
}
void LWButton::SetBackgroundColor(COLORREF c) {
  m_backColor = c;
  m_hasBackColor = true;
  Repaint();
}
void LWButton::SetTextColor(COLORREF c) {
  m_textColor = c;
  Repaint();
}
void LWButton::SetGroup(const std::wstring& group) { m_group = group; }
void LWButton::Enable(bool enable) {
  if (m_hWnd) ::EnableWindow(m_hWnd, enable);
  Repaint();
}

void LWButton::SetCheck(bool checked) {
  m_checked = checked;
  if (checked && !m_group.empty()) {
    for (LWButton* b : g_buttons.buttons)
      if (b != this && b->m_group == m_group && b->m_checked) {
        b->m_checked = false;
        b->Repaint();
      }
  }
  Repaint();
}

void LWButton::SizeToText() {
  if (!m_hWnd) return;
  wchar_t text[512];
  int n = ::GetWindowTextW(m_hWnd, text, 512);
  HDC dc = ::GetDC(m_hWnd);
  HGDIOBJ old = SelectObject(dc, SharedFont(L"Helvetica", -12, 500));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, n, &size);
  SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  CRect r;
  ::GetWindowRect(m_hWnd, &r);
  int width = size.cx + ((m_kind == KindCheck || m_kind == KindRadio) ? 30 : 40);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, r.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LWButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  HDC dc = dis->hDC;
  CRect r = dis->rcItem;
  bool disabled = (dis->itemState & ODS_DISABLED) != 0;
  bool focused = (dis->itemState & ODS_FOCUS) != 0;
  bool glyph = m_kind == KindCheck || m_kind == KindRadio;
  bool pushed = m_pressed && !glyph;
  // 1. face
  if (glyph || m_kind == KindFlat || m_kind == KindLink) {
    HBRUSH b = CreateSolidBrush(m_hasBackColor || !glyph ? m_backColor : 0xFFFFFF);
    FillRect(dc, &r, b);
    DeleteObject(b);
  } else {
    HBITMAP face = ((m_pressed || m_checked) && g_buttons.pressed) ? g_buttons.pressed : g_buttons.face;
    if (face) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, face);
      DrawNineSlice(dc, mem, r, 73, 21, 2, 2, 71, 19, false);
      SelectObject(mem, old);
      DeleteDC(mem);
    } else {
      DrawFrameControl(dc, &r, DFC_BUTTON,
                       DFCS_BUTTONPUSH | (pushed || m_checked ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
    }
  }
  // 3. the check glyph
  int textLeft = 5;
  if (glyph) {
    if (g_buttons.checks) {
      ImageList_Draw(g_buttons.checks, m_checked ? 1 : 0, dc, r.left, r.top + (r.Height() - 13) / 2, ILD_NORMAL);
    } else {
      RECT g = {r.left, r.top + (r.Height() - 20) / 2, r.left + 20, r.top + (r.Height() + 20) / 2};
      DrawFrameControl(dc, &g, DFC_BUTTON,
                       (m_kind == KindRadio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) | (m_checked ? DFCS_CHECKED : 0) |
                           (disabled ? DFCS_INACTIVE : 0));
    }
    textLeft = 13 + 5;
  }
  // 4. the text
  wchar_t text[512];
  int n = ::GetWindowTextW(m_hWnd, text, 512);
  HGDIOBJ oldFont = SelectObject(dc, SharedFont(L"Helvetica", -12, 500, m_kind == KindLink));
  ::SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : m_textColor);
  SetBkMode(dc, TRANSPARENT);
  CRect t = r;
  UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
  if (!glyph && m_textPlacement == 0) {
    format |= DT_CENTER;
  } else {
    t.left += textLeft;
  }
  if (pushed) t.OffsetRect(1, 1);
  DrawTextW(dc, text, n, &t, format);
  SelectObject(dc, oldFont);
  // 5. the default button's frame while it has the focus
  if (m_default && focused && !glyph) {
    HBRUSH dark = GetSysColorBrush(COLOR_3DDKSHADOW);
    FrameRect(dc, &r, dark);
    if (pushed) {
      CRect in = r;
      in.DeflateRect(1, 1);
      FrameRect(dc, &in, dark);
    }
  }
}

LRESULT LWButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK:
      return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
      SetCheck(wParam == BST_CHECKED);
      return 0;
    case WM_LBUTTONDOWN:
      m_pressed = true;
      Repaint();
      break;
    case WM_LBUTTONUP: {
      CRect r;
      ::GetClientRect(m_hWnd, &r);
      CPoint pt((short)LOWORD(lParam), (short)HIWORD(lParam));
      if (m_pressed && r.PtInRect(pt) && IsCheckable()) {
        // toggled before the click reaches the parent, so the parent reads the new state
        if (m_kind == KindRadio || !m_group.empty())
          SetCheck(true);
        else
          SetCheck(!m_checked);
      }
      m_pressed = false;
      Repaint();
      break;
    }
    case WM_KEYUP:
      if (wParam == VK_SPACE && IsCheckable()) SetCheck(m_kind == KindRadio || !m_group.empty() ? true : !m_checked);
      break;
    case WM_MOUSEMOVE:
      if (!m_hot) {
        m_hot = true;
        TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, m_hWnd, 0};
        TrackMouseEvent(&tme);
        Repaint();
      }
      break;
    case WM_MOUSELEAVE:
      m_hot = m_pressed = false;
      Repaint();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Repaint();
      break;
    case WM_SETCURSOR:
      if (m_kind == KindLink) {
        ::SetCursor(LoadCursor(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    default: break;
  }
  return CButton::WindowProc(message, wParam, lParam);
}

// ---- LWEdit ----

void LWEdit::SetCueText(const std::wstring& cue) {
  m_cue = cue;
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void LWEdit::DeleteWordBeforeCaret() {
  DWORD start = 0, end = 0;
  ::SendMessageW(m_hWnd, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
  if (start != end) {
    ::SendMessageW(m_hWnd, EM_REPLACESEL, TRUE, (LPARAM)L"");
    return;
  }
  int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text((size_t)n + 1, L'\0');
  ::GetWindowTextW(m_hWnd, &text[0], n + 1);
  text.resize((size_t)n);
  size_t caret = start > text.size() ? text.size() : start;
  size_t from = caret;
  while (from > 0 && text[from - 1] == L' ') --from;  // spaces right before the caret go with the word
  size_t space = from == 0 ? std::wstring::npos : text.rfind(L' ', from - 1);
  size_t keep = space == std::wstring::npos ? 0 : space + 1;
  ::SendMessageW(m_hWnd, EM_SETSEL, keep, caret);
  ::SendMessageW(m_hWnd, EM_REPLACESEL, TRUE, (LPARAM)L"");
}

LRESULT LWEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = CEdit::WindowProc(message, wParam, lParam);
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTALLKEYS;
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN) {
        NMHDR nm = {m_hWnd, (UINT_PTR)::GetDlgCtrlID(m_hWnd), kNotifyEnter};
        ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, nm.idFrom, (LPARAM)&nm);
        return 0;
      }
      if (ctrl && !shift && !alt) {
        switch (wParam) {
          case VK_BACK: DeleteWordBeforeCaret(); return 0;
          case 'C': case VK_INSERT: ::SendMessageW(m_hWnd, WM_COPY, 0, 0); return 0;
          case 'X': ::SendMessageW(m_hWnd, WM_CUT, 0, 0); return 0;
          case 'V': ::SendMessageW(m_hWnd, WM_PASTE, 0, 0); return 0;
          case 'A': ::SendMessageW(m_hWnd, EM_SETSEL, 0, -1); return 0;
          case 'Z': ::SendMessageW(m_hWnd, EM_UNDO, 0, 0); return 0;
          default: break;
        }
      }
      if (shift && !ctrl && !alt && wParam == VK_INSERT) {
        ::SendMessageW(m_hWnd, WM_PASTE, 0, 0);
        return 0;
      }
      break;
    case WM_CHAR: {
      if (wParam == L'\r' || wParam == L'\n' || (ctrl && (wParam < 0x20 || wParam == 0x7F))) return 0;
      LRESULT r = CEdit::WindowProc(message, wParam, lParam);
      ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), kNotifyChar), (LPARAM)m_hWnd);
      return r;
    }
    case WM_PAINT: {
      LRESULT r = CEdit::WindowProc(message, wParam, lParam);
      if (!m_cue.empty() && ::GetFocus() != m_hWnd && ::GetWindowTextLengthW(m_hWnd) == 0) {
        HDC dc = ::GetDC(m_hWnd);
        HGDIOBJ old = SelectObject(dc, (HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        ::SetTextColor(dc, 0xC0C0C0);
        SetBkMode(dc, TRANSPARENT);
        CRect c;
        ::GetClientRect(m_hWnd, &c);
        c.left += 2;
        DrawTextW(dc, m_cue.c_str(), (int)m_cue.size(), &c, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(dc, old);
        ::ReleaseDC(m_hWnd, dc);
      }
      return r;
    }
    case WM_NCPAINT: {
      CRect w, c;
      ::GetWindowRect(m_hWnd, &w);
      ::GetClientRect(m_hWnd, &c);
      if (w.Width() - c.Width() == 2) {  // a 1-pixel border: ours instead of the system's
        HDC dc = ::GetWindowDC(m_hWnd);
        RECT r = {0, 0, w.Width(), w.Height()};
        HBRUSH b = CreateSolidBrush(0xC0C0C0);
        FrameRect(dc, &r, b);
        DeleteObject(b);
        ::ReleaseDC(m_hWnd, dc);
        return 0;
      }
      break;
    }
    case WM_KILLFOCUS:
      if (!m_cue.empty()) ::InvalidateRect(m_hWnd, nullptr, TRUE);
      break;
    default: break;
  }
  return CEdit::WindowProc(message, wParam, lParam);
}

}  // namespace UI
