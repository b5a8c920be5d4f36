// The add-in's own skinned dialog base and controls: it lives in the mail client's process and
// draws its one dialog itself, without the program's widget library.
#pragma once
#include "Framework.h"
#include <commctrl.h>
#include <string>
#include <vector>

namespace UI {

// Lets a control's owner draw the control's items: 1 when it drew the item, 0 to let the
// control draw it.
class LWDrawEvent {
 public:
  virtual ~LWDrawEvent() = default;
  virtual int DrawItem(CWnd* control, HDC dc, const DRAWITEMSTRUCT* item) = 0;
};

// Resource ids of the skins.
const UINT kBmpDialogSkin = 197;
const UINT kBmpButtonFace = 201;
const UINT kBmpButtonFacePressed = 257;
const UINT kBmpCheckGlyphs = 256;
const UINT kBmpComboArrow = 248;
const UINT kBmpChips = 252;

// A font made once per process and kept (the dialog and its controls share them).
HFONT SharedFont(const wchar_t* face, int height, int weight, bool underline = false);

// The dialog base: white client, a 9-slice skin frame with a caption and a close glyph.
class CDialogExt : public CDialog {
 public:
  // {bitmap, frame w, frame h, left, top, right x, bottom y, glyph left, glyph top, glyph right,
  //  glyph bottom, glyph offset from the right, glyph top in the window}
  static const int kDefaultSkin[13];

  CDialogExt(UINT templateId, CWnd* parent);
  ~CDialogExt() override;
  void SetSkin(const int record[13]);
  void SetCaption(const std::wstring& caption) { m_caption = caption; }
  const int* GetSkin() const { return m_skin; }
  // The close glyph's rectangle in client coordinates.
  CRect GetCloseGlyphRect() const;

  BOOL OnInitDialog() override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual void DrawBackground(HDC dc, const CRect& client);
  virtual void DrawSkinFrame(HDC dc, const CRect& client);
  virtual void DrawCaption(HDC dc, const CRect& client);
  void CutCorners();

  std::wstring m_caption;
  HFONT m_captionFont = nullptr;
  COLORREF m_background = 0xFFFFFF;
  COLORREF m_keyColor = 0x0000FF;
  int m_skin[13] = {};
  HBITMAP m_skinBitmap = nullptr;
};

// An owner-drawn button: push button, check box or radio button by kind, with skinned faces.
class LWButton : public CButton {
 public:
  enum Kind { KindFlat = 0, KindPush = 1, KindHot = 2, KindToggle = 7, KindToggleHot = 8, KindCheck = 9,
              KindRadio = 10, KindLink = 11 };
  LWButton();
  ~LWButton() override;

  void SetKind(int kind);
  int GetKind() const { return m_kind; }
  void SetTextPlacement(int placement);
  void SetBackgroundColor(COLORREF c);
  void SetTextColor(COLORREF c);
  void SetCheck(bool checked);
  bool GetCheck() const { return m_checked; }
  void SetGroup(const std::wstring& group);
  void SizeToText();
  void Enable(bool enable);

  void DrawItem(LPDRAWITEMSTRUCT dis) override;

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool IsCheckable() const { return m_kind >= KindToggle && m_kind <= KindRadio; }
  void Repaint() {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }

  int m_kind = KindPush;
  int m_textPlacement = 0;
  COLORREF m_textColor;
  COLORREF m_backColor;
  bool m_hasBackColor = false;
  bool m_checked = false;
  bool m_hot = false;
  bool m_pressed = false;
  bool m_default = false;
  std::wstring m_group;
};

// An edit with a cue text, Enter reported to the parent as code 770, and word deletion.
class LWEdit : public CEdit {
 public:
  static const UINT kNotifyEnter = 770;
  static const UINT kNotifyChar = 0x0301;
  void SetCueText(const std::wstring& cue);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DeleteWordBeforeCaret();

  std::wstring m_cue;
};

// The flat owner-drawn drop-down lists of the dialog.
class CComboBoxBase : public CComboBox {
 public:
  static const COLORREF kBorder = 0xD1BEB7;
  static const COLORREF kHighlight = 0xF1C379;
  static const COLORREF kItemBackground = 0xFFFFFF;

  void SetEllipsis(bool on) { m_ellipsis = on; }
  bool GetEllipsis() const { return m_ellipsis; }
  void DeleteAllItems();
  HFONT ItemFont() const;
  HWND GetListWindow() const { return m_list; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PreSubclassWindow() override;
  void PaintFace(HDC dc);
  virtual void DrawFaceContent(HDC dc, const CRect& client) = 0;
  void DrawItemText(HDC dc, const CRect& rect, const std::wstring& text, int indent);

  bool m_ellipsis = false;
  HWND m_list = nullptr;
};

class CComboBoxFolders : public CComboBoxBase {
 public:
  void SetDrawOwner(LWDrawEvent* owner) { m_drawOwner = owner; }
  void SetPlaceholder(const std::wstring& text) { m_placeholder = text; }
  void DrawItem(LPDRAWITEMSTRUCT dis) override;

 protected:
  void DrawFaceContent(HDC dc, const CRect& client) override;

  LWDrawEvent* m_drawOwner = nullptr;
  std::wstring m_placeholder;
};

class CComboBoxTags : public CComboBoxBase {
 public:
  CComboBoxTags();
  ~CComboBoxTags() override;
  bool IsChecked(const std::wstring& name) const;
  void Check(const std::wstring& name);
  void Uncheck(const std::wstring& name);
  const std::vector<std::wstring>& GetCheckedTags() const { return m_checked; }
  const std::vector<CRect>& GetChipRects() const { return m_chips; }
  // How many chips are drawn (those that fit).
  int GetVisibleChipCount() const;
  // The index of the visible chip whose remove mark holds pt, or -1.
  int HitTestRemoveMark(CPoint pt) const;
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DrawFaceContent(HDC dc, const CRect& client) override;
  void LayoutChips();

  std::vector<std::wstring> m_checked;
  std::vector<CRect> m_chips;
  int m_chipAreaEnd = 5;
  int m_lastTop = 3;
  HFONT m_chipFont = nullptr;
  HIMAGELIST m_chipImages = nullptr;
};

}  // namespace UI
