// The engine's window: messages, painting through a back buffer, scrolling, caret, keys, mouse.
#include <windowsx.h>
#include <algorithm>
#include "HtmlWindowImpl.h"
#include "TextUtil.h"

namespace HtmlEngine {

const wchar_t HtmlWindow::kClassName[] = L"PeloraHtmlView";

namespace {

bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }
bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool AltDown() { return GetKeyState(VK_MENU) < 0; }

Element* LinkOf(Element* e) {
    for (; e; e = e->ParentElement())
        if (e->Is(TAG_A) && e->HasAttribute(L"href")) return e;
    return nullptr;
}

bool IsCheckBox(const Element* e) {
    return e && e->Is(TAG_INPUT) && (IEquals(Trim(e->GetAttribute(L"type")), L"checkbox") ||
                                     IEquals(Trim(e->GetAttribute(L"type")), L"radio"));
}

} // namespace

HtmlWindow::Impl::Impl(HtmlWindow& w)
    : win(w), anchor(w.doc_.get()), focus(w.doc_.get()) {}

HtmlWindow::Impl::~Impl() {
    StopLoader();
    if (back) DeleteObject(back);
}

void HtmlWindow::Impl::Changed() {
    if (!win.hwnd_) return;
    if (!invalid) {
        invalid = true;
        InvalidateRect(win.hwnd_, nullptr, FALSE);
    }
    if (!uiPosted) {
        uiPosted = true;
        PostMessageW(win.hwnd_, WM_ENGINE_UPDATEUI, 0, 0);
    }
}

int HtmlWindow::Impl::ClientHeight() const {
    RECT rc;
    GetClientRect(win.hwnd_, &rc);
    return rc.bottom - rc.top;
}

int HtmlWindow::Impl::ClientWidth() const {
    RECT rc;
    GetClientRect(win.hwnd_, &rc);
    return rc.right - rc.left;
}

bool HtmlWindow::Impl::Editable() const { return win.doc_->DesignMode() && !win.readOnly_; }

void HtmlWindow::Impl::SyncEnds() {
    Selection& sel = win.doc_->GetSelection();
    if (!sel.Start().IsPositioned()) return;
    MarkupPointer lo(win.doc_.get()), hi(win.doc_.get());
    bool forward = anchor.IsPositioned() && focus.IsPositioned() && anchor.IsLeftOfOrEqualTo(focus);
    if (anchor.IsPositioned() && focus.IsPositioned()) {
        lo.MoveToPointer(forward ? anchor : focus);
        hi.MoveToPointer(forward ? focus : anchor);
        if (lo.IsEqualTo(sel.Start()) && hi.IsEqualTo(sel.End())) return;
    }
    anchor.MoveToPointer(sel.Start());
    focus.MoveToPointer(sel.End());
}

void HtmlWindow::Impl::Select(bool extend) {
    Selection& sel = win.doc_->GetSelection();
    if (extend && !anchor.IsEqualTo(focus)) sel.SelectRange(anchor, focus);
    else {
        if (!extend) anchor.MoveToPointer(focus);
        sel.MoveCaret(focus);
    }
}

void HtmlWindow::Impl::UpdateScrollBars() {
    HWND h = win.hwnd_;
    int content = win.layout_->ContentHeight();
    int page = ClientHeight();
    int maxY = std::max(0, content - page);
    if (win.scrollY_ > maxY) {
        win.scrollY_ = maxY;
        InvalidateRect(h, nullptr, FALSE);
    }
    SCROLLINFO si = {sizeof si};
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(0, content - 1);
    si.nPage = UINT(std::max(0, page));
    si.nPos = win.scrollY_;
    SetScrollInfo(h, SB_VERT, &si, TRUE);
    int wide = win.layout_->ContentWidth();
    int cw = ClientWidth();
    if (GetWindowLongW(h, GWL_STYLE) & WS_HSCROLL || wide > cw) {
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = std::max(0, wide - 1);
        si.nPage = UINT(std::max(0, cw));
        win.scrollX_ = std::max(0, std::min(win.scrollX_, wide - cw));
        si.nPos = win.scrollX_;
        SetScrollInfo(h, SB_HORZ, &si, TRUE);
    }
}

void HtmlWindow::Impl::UpdateCaret() {
    HWND h = win.hwnd_;
    Selection& sel = win.doc_->GetSelection();
    Rect r;
    bool show = focused && win.doc_->DesignMode() && sel.Type() != SelectionType::Control && sel.IsCollapsed() &&
                win.layout_->CaretRect(sel.Start(), &r);
    if (!show) {
        if (caretShown) HideCaret(h);
        caretShown = false;
        return;
    }
    int height = r.Height();
    if (height != caretHeight || !caretShown) {
        if (caretShown) HideCaret(h);
        CreateCaret(h, nullptr, 1, height);
        caretHeight = height;
        SetCaretPos(r.left - win.scrollX_, r.top - win.scrollY_);
        ShowCaret(h);
        caretShown = true;
        return;
    }
    SetCaretPos(r.left - win.scrollX_, r.top - win.scrollY_);
}

void HtmlWindow::Impl::PaintRect(HDC dc, const RECT& rc) {
    invalid = false;
    win.layout_->SetWidth(ClientWidth());
    win.layout_->Update();
    UpdateScrollBars();
    int w = rc.right - rc.left, ht = rc.bottom - rc.top;
    if (w <= 0 || ht <= 0) return;
    if (!back || backW < w || backH < ht) {
        if (back) DeleteObject(back);
        backW = std::max(w, backW);
        backH = std::max(ht, backH);
        back = CreateCompatibleBitmap(dc, backW, backH);
    }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, back);
    platform.SetTarget(mem);
    Rect clip{rc.left + win.scrollX_, rc.top + win.scrollY_, rc.right + win.scrollX_, rc.bottom + win.scrollY_};
    win.layout_->Paint(clip, clip.left, clip.top, PaintOptions());
    platform.SetTarget(nullptr);
    BitBlt(dc, rc.left, rc.top, w, ht, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void HtmlWindow::Impl::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(win.hwnd_, &ps);
    PaintRect(dc, ps.rcPaint);
    EndPaint(win.hwnd_, &ps);
    UpdateCaret();
}

bool HtmlWindow::Impl::Fire(Element* target, const wchar_t* event) {
    for (Element* e = target; e; e = e->ParentElement()) {
        if (auto handler = e->GetEventHandler(event)) {
            ElementPtr hold = std::static_pointer_cast<Element>(e->Self());
            if (!handler->Invoke(target)) return false;
        }
    }
    return true;
}

bool HtmlWindow::Impl::KeyDown(WPARAM key) {
    Document& doc = *win.doc_;
    bool ctrl = CtrlDown(), shift = ShiftDown();
    if (AltDown()) return false;
    SyncEnds();
    if (!focus.IsPositioned()) {
        Element* body = doc.Body();
        if (!body) return false;
        focus.MoveToContainer(body, true);
        anchor.MoveToPointer(focus);
    }
    auto move = [&](CaretMove m) {
        Selection& sel = doc.GetSelection();
        bool vertical = m == CaretMove::Up || m == CaretMove::Down;
        if (!vertical) goalX = -1;
        if (!shift && !sel.IsCollapsed() && (m == CaretMove::Left || m == CaretMove::Right)) {
            // a selection collapses to the side the arrow points to
            focus.MoveToPointer(m == CaretMove::Left ? sel.Start() : sel.End());
        } else {
            if (!shift && sel.Type() != SelectionType::None && !sel.IsCollapsed() && vertical)
                focus.MoveToPointer(m == CaretMove::Up ? sel.Start() : sel.End());
            win.layout_->Move(focus, m, vertical ? &goalX : nullptr);
        }
        Select(shift);
        win.ScrollToCaret();
        return true;
    };
    switch (key) {
    case VK_LEFT: return move(ctrl ? CaretMove::WordLeft : CaretMove::Left);
    case VK_RIGHT: return move(ctrl ? CaretMove::WordRight : CaretMove::Right);
    case VK_UP: return move(CaretMove::Up);
    case VK_DOWN: return move(CaretMove::Down);
    case VK_HOME: return move(ctrl ? CaretMove::DocumentStart : CaretMove::LineStart);
    case VK_END: return move(ctrl ? CaretMove::DocumentEnd : CaretMove::LineEnd);
    case VK_PRIOR:
    case VK_NEXT: {
        Rect r;
        if (!win.layout_->CaretRect(focus, &r)) return true;
        int page = std::max(10, ClientHeight() - 20);
        int dy = key == VK_NEXT ? page : -page;
        if (goalX < 0) goalX = r.left;
        MarkupPointer to(&doc);
        int y = std::max(0, std::min(r.top + dy + 1, win.layout_->ContentHeight() - 1));
        if (win.layout_->PositionFromPoint(goalX, y, &to)) focus.MoveToPointer(to);
        win.ScrollTo(win.scrollY_ + dy);
        Select(shift);
        win.ScrollToCaret();
        return true;
    }
    default: break;
    }
    if (ctrl) {
        switch (key) {
        case 'A': doc.Exec(CMD_SELECTALL); SyncEnds(); return true;
        case 'C': case VK_INSERT: doc.Exec(CMD_COPY); return true;
        case 'X': if (Editable()) doc.Exec(CMD_CUT); return true;
        case 'V': if (Editable()) doc.Exec(CMD_PASTE); return true;
        case 'Z': if (Editable()) doc.Exec(CMD_UNDO); return true;
        case 'Y': if (Editable()) doc.Exec(CMD_REDO); return true;
        case 'B': if (Editable()) doc.Exec(CMD_BOLD); return true;
        case 'I': if (Editable()) doc.Exec(CMD_ITALIC); return true;
        case 'U': if (Editable()) doc.Exec(CMD_UNDERLINE); return true;
        default: return false;
        }
    }
    if (!Editable()) return key == VK_RETURN || key == VK_BACK || key == VK_DELETE || key == VK_TAB ? false : false;
    switch (key) {
    case VK_RETURN:
        if (shift) doc.InsertLineBreak();
        else doc.InsertParagraph();
        break;
    case VK_BACK: doc.DeleteBackward(); break;
    case VK_DELETE:
        if (shift) doc.Exec(CMD_CUT);
        else doc.DeleteForward();
        break;
    case VK_INSERT:
        if (shift) doc.Exec(CMD_PASTE);
        else return false;
        break;
    case VK_TAB: {
        Element* scope = doc.GetSelection().CreateRange().ParentElement();
        if (scope && scope->Closest(TAG_LI)) doc.Exec(shift ? CMD_OUTDENT : CMD_INDENT);
        else if (!shift) doc.TypeText(std::wstring(4, wchar_t(0xA0)));
        break;
    }
    default: return false;
    }
    SyncEnds();
    goalX = -1;
    win.ScrollToCaret();
    return true;
}

void HtmlWindow::Impl::Char(wchar_t c) {
    if (!Editable() || CtrlDown()) return;
    if (c < 32 || c == 127) return;   // Enter, Backspace and Tab come as keys
    std::wstring text;
    if (c >= 0xD800 && c <= 0xDBFF) {
        highSurrogate = c;
        return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
        if (!highSurrogate) return;
        text.push_back(highSurrogate);
    }
    highSurrogate = 0;
    text.push_back(c);
    win.doc_->TypeText(text);
    SyncEnds();
    goalX = -1;
    win.ScrollToCaret();
}

void HtmlWindow::Impl::MouseDown(int x, int y, bool shift, bool dbl) {
    Document& doc = *win.doc_;
    HWND h = win.hwnd_;
    if (GetFocus() != h) SetFocus(h);
    int dx = x + win.scrollX_, dy = y + win.scrollY_;
    Element* target = win.layout_->ElementFromPoint(dx, dy);
    MarkupPointer at(&doc);
    if (!win.layout_->PositionFromPoint(dx, dy, &at)) return;
    goalX = -1;
    if (dbl) {
        MarkupPointer s(&doc), e(&doc);
        if (target) {
            ElementPtr hold = std::static_pointer_cast<Element>(target->Self());
            if (!Fire(target, L"ondblclick")) return;
        }
        if (win.layout_->WordAt(at, &s, &e)) {
            anchor.MoveToPointer(s);
            focus.MoveToPointer(e);
            Select(true);
        }
        return;
    }
    pressed = target;
    pressedHold = target ? std::static_pointer_cast<Element>(target->Self()) : nullptr;
    if (target && target->Is(TAG_IMG) && doc.DesignMode() && !shift) {
        doc.GetSelection().SelectElement(target);
        anchor.MoveToPointer(at);
        focus.MoveToPointer(at);
        return;
    }
    if (IsCheckBox(target)) return;   // the click on the box decides at button up
    SyncEnds();
    focus.MoveToPointer(at);
    if (!shift) anchor.MoveToPointer(at);
    Select(shift);
    dragging = true;
    SetCapture(h);
}

void HtmlWindow::Impl::MouseMove(int x, int y) {
    Document& doc = *win.doc_;
    int dx = x + win.scrollX_, dy = y + win.scrollY_;
    if (dragging) {
        int page = ClientHeight();
        dragPoint = POINT{x, y};
        if (y < 0) win.ScrollTo(win.scrollY_ + y);
        else if (y > page) win.ScrollTo(win.scrollY_ + (y - page));
        // held past an edge, the page goes on scrolling without the mouse moving
        if (y < 0 || y > page) {
            if (!autoScrolling) autoScrolling = SetTimer(win.hwnd_, kAutoScrollTimer, kAutoScrollMs, nullptr) != 0;
        } else {
            StopAutoScroll();
        }
        MarkupPointer at(&doc);
        if (win.layout_->PositionFromPoint(dx, y + win.scrollY_, &at)) {
            focus.MoveToPointer(at);
            Select(true);
        }
        return;
    }
    // the designer hears the mouse entering and leaving links
    Element* link = LinkOf(win.layout_->ElementFromPoint(dx, dy));
    if (link != hoverLink.get()) {
        ElementPtr old = hoverLink;
        hoverLink = link ? std::static_pointer_cast<Element>(link->Self()) : nullptr;
        if (win.host_) {
            if (old) win.host_->PreHandleEvent(DesignerEvent::MouseOut, old.get());
            if (link) win.host_->PreHandleEvent(DesignerEvent::MouseOver, link);
        }
        if (link || old) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, win.hwnd_, 0};
            TrackMouseEvent(&tme);
        }
    }
}

void HtmlWindow::Impl::AutoScroll() {
    if (!dragging) {
        StopAutoScroll();
        return;
    }
    // a step as long as the pointer is far past the edge: between 10 px and a page
    int page = ClientHeight(), y = dragPoint.y;
    int past = y < 0 ? -y : y - page;
    if (past <= 0) {
        StopAutoScroll();
        return;
    }
    int step = std::max(10, std::min(past, std::max(10, page)));
    win.ScrollTo(win.scrollY_ + (y < 0 ? -step : step));
    // the selection follows to the line at the edge the pointer is held past
    MarkupPointer at(win.doc_.get());
    int edgeY = y < 0 ? 0 : std::max(0, page - 1);
    if (win.layout_->PositionFromPoint(dragPoint.x + win.scrollX_, edgeY + win.scrollY_, &at)) {
        focus.MoveToPointer(at);
        Select(true);
    }
}

void HtmlWindow::Impl::StopAutoScroll() {
    if (autoScrolling && win.hwnd_) KillTimer(win.hwnd_, kAutoScrollTimer);
    autoScrolling = false;
}

void HtmlWindow::Impl::MouseUp(int x, int y) {
    Document& doc = *win.doc_;
    StopAutoScroll();
    if (dragging) {
        dragging = false;
        ReleaseCapture();
    }
    Element* target = win.layout_->ElementFromPoint(x + win.scrollX_, y + win.scrollY_);
    ElementPtr hold = pressedHold;
    Element* down = pressed;
    pressed = nullptr;
    pressedHold.reset();
    if (!target || target != down) return;
    if (!Fire(target, L"onclick")) return;
    if (IsCheckBox(target) && Editable()) {
        doc.BeginUndoUnit(L"check box");
        target->SetChecked(!target->IsChecked());
        doc.EndUndoUnit();
    }
}

// ---------------------------------------------------------------- the window

HtmlWindow::HtmlWindow() : doc_(Document::Create()) {
    impl_.reset(new Impl(*this));
    layout_.reset(new Layout(doc_.get(), &impl_->platform));
    layout_->SetPictureSource(impl_.get());
    doc_->Impl().AddObserver(impl_.get());
    doc_->SetImageLoader(impl_.get());
    doc_->SetClipboard(&impl_->clipboard);
}

HtmlWindow::~HtmlWindow() {
    Destroy();
    impl_->StopLoader();
    doc_->SetImageLoader(nullptr);
    doc_->SetClipboard(nullptr);
    doc_->Impl().RemoveObserver(impl_.get());
    layout_.reset();
}

bool HtmlWindow::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    static ATOM atom = [] {
        WNDCLASSEXW wc = {sizeof wc};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &HtmlWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    if (!atom) return false;
    hwnd_ = CreateWindowExW(0, kClassName, L"", style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                            GetModuleHandleW(nullptr), this);
    if (!hwnd_) return false;
    impl_->clipboard = Win32Clipboard(hwnd_);
    RECT rc;
    GetClientRect(hwnd_, &rc);
    layout_->SetWidth(rc.right - rc.left);
    return true;
}

void HtmlWindow::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT CALLBACK HtmlWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    HtmlWindow* self;
    if (msg == WM_NCCREATE) {
        self = static_cast<HtmlWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<HtmlWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return self->Handle(msg, wp, lp);
}

LRESULT HtmlWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    Impl& d = *impl_;
    HWND h = hwnd_;
    switch (msg) {
    case WM_PAINT:
        d.Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PRINTCLIENT: {
        RECT rc;
        GetClientRect(h, &rc);
        d.PaintRect(reinterpret_cast<HDC>(wp), rc);
        return 0;
    }
    case WM_SIZE:
        layout_->SetWidth(LOWORD(lp));
        d.UpdateScrollBars();
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
    case WM_SETFOCUS:
        d.focused = true;
        d.caretShown = false;
        d.UpdateCaret();
        return 0;
    case WM_KILLFOCUS:
        d.focused = false;
        if (d.caretShown) DestroyCaret();
        d.caretShown = false;
        if (host_) host_->OnKillFocus();
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        MSG m = {h, msg, wp, lp, DWORD(GetMessageTime()), {0, 0}};
        if (host_ && host_->TranslateAccelerator(m)) return 0;
        if (msg == WM_KEYDOWN && d.KeyDown(wp)) {
            d.UpdateCaret();
            return 0;
        }
        break;
    }
    case WM_CHAR:
        d.Char(wchar_t(wp));
        d.UpdateCaret();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        d.MouseDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), (wp & MK_SHIFT) != 0, msg == WM_LBUTTONDBLCLK);
        d.UpdateCaret();
        return 0;
    case WM_MOUSEMOVE:
        d.MouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_MOUSELEAVE:
        if (d.hoverLink && host_) host_->PreHandleEvent(DesignerEvent::MouseOut, d.hoverLink.get());
        d.hoverLink.reset();
        return 0;
    case WM_LBUTTONUP:
        d.MouseUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        d.UpdateCaret();
        return 0;
    case WM_CAPTURECHANGED:
        d.dragging = false;
        d.StopAutoScroll();
        return 0;
    case WM_TIMER:
        if (wp == kAutoScrollTimer) {
            d.AutoScroll();
            d.UpdateCaret();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            if (doc_->Impl().overrideCursor) return TRUE;   // the host sets its own
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(h, &pt);
            Element* e = layout_->ElementFromPoint(pt.x + scrollX_, pt.y + scrollY_);
            bool link = LinkOf(e) && !doc_->DesignMode();
            SetCursor(LoadCursorW(nullptr, link ? IDC_HAND : doc_->DesignMode() ? IDC_IBEAM : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_VSCROLL: {
        SCROLLINFO si = {sizeof si, SIF_ALL};
        GetScrollInfo(h, SB_VERT, &si);
        int y = scrollY_, page = d.ClientHeight();
        switch (LOWORD(wp)) {
        case SB_LINEUP: y -= 20; break;
        case SB_LINEDOWN: y += 20; break;
        case SB_PAGEUP: y -= page; break;
        case SB_PAGEDOWN: y += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: y = si.nTrackPos; break;
        case SB_TOP: y = 0; break;
        case SB_BOTTOM: y = layout_->ContentHeight(); break;
        default: break;
        }
        ScrollTo(y);
        return 0;
    }
    case WM_HSCROLL: {
        SCROLLINFO si = {sizeof si, SIF_ALL};
        GetScrollInfo(h, SB_HORZ, &si);
        int x = scrollX_;
        switch (LOWORD(wp)) {
        case SB_LINELEFT: x -= 20; break;
        case SB_LINERIGHT: x += 20; break;
        case SB_PAGELEFT: x -= d.ClientWidth(); break;
        case SB_PAGERIGHT: x += d.ClientWidth(); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: x = si.nTrackPos; break;
        default: break;
        }
        scrollX_ = std::max(0, std::min(x, layout_->ContentWidth() - d.ClientWidth()));
        d.UpdateScrollBars();
        InvalidateRect(h, nullptr, FALSE);
        d.UpdateCaret();
        return 0;
    }
    case WM_MOUSEWHEEL:
        ScrollTo(scrollY_ - GET_WHEEL_DELTA_WPARAM(wp) * 60 / WHEEL_DELTA);
        return 0;
    case WM_ENGINE_COMPLETE:
        if (host_) host_->OnDocumentComplete();
        return 0;
    case WM_ENGINE_UPDATEUI:
        d.uiPosted = false;
        d.UpdateCaret();
        if (host_) host_->OnUpdateUI();
        return 0;
    case WM_ENGINE_PICTURES:
        d.Deliver();
        return 0;
    default: break;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

void HtmlWindow::LoadHtml(const std::wstring& html) {
    impl_->StopLoader();
    impl_->pictures.clear();
    impl_->pending.clear();
    doc_->LoadHtml(html);
    scrollY_ = scrollX_ = 0;
    impl_->anchor.Unposition();
    impl_->focus.Unposition();
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        PostMessageW(hwnd_, WM_ENGINE_COMPLETE, 0, 0);
    }
}

void HtmlWindow::LoadStream(IByteSource& source) {
    impl_->StopLoader();
    impl_->pictures.clear();
    impl_->pending.clear();
    doc_->LoadStream(source);
    scrollY_ = scrollX_ = 0;
    impl_->anchor.Unposition();
    impl_->focus.Unposition();
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        PostMessageW(hwnd_, WM_ENGINE_COMPLETE, 0, 0);
    }
}

void HtmlWindow::SetDesignMode(bool on) {
    doc_->SetDesignMode(on);
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        impl_->UpdateCaret();
    }
}

bool HtmlWindow::IsBusy() const { return !impl_->pending.empty(); }

void HtmlWindow::SetResolver(Resolver resolver) {
    std::lock_guard<std::mutex> g(impl_->lock);
    impl_->resolver = std::move(resolver);
}

PicturePtr HtmlWindow::PictureOf(const Element* image) const { return impl_->PictureFor(image); }

unsigned HtmlWindow::QueryStatus(int command) {
    if (command == CMD_PRINT) return CMDF_SUPPORTED | CMDF_ENABLED;
    return doc_->QueryStatus(command);
}

bool HtmlWindow::Exec(int command, const Value& in, Value* out, bool prompt) {
    if (command == CMD_PRINT) return Print(prompt);
    bool ok = doc_->Exec(command, in, out);
    impl_->SyncEnds();
    return ok;
}

bool HtmlWindow::ScrollIntoView(const Rect& r) {
    if (!hwnd_) return false;
    int page = impl_->ClientHeight();
    int y = scrollY_;
    if (r.top < y) y = r.top - 4;
    else if (r.bottom > y + page) y = r.bottom - page + 4;
    int x = scrollX_, cw = impl_->ClientWidth();
    if (r.left < x) x = r.left - 4;
    else if (r.right > x + cw) x = r.right - cw + 4;
    x = std::max(0, std::min(x, layout_->ContentWidth() - cw));
    bool moved = x != scrollX_;
    scrollX_ = x;
    if (y != scrollY_) {
        ScrollTo(y);
        return true;
    }
    if (moved) {
        impl_->UpdateScrollBars();
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    return moved;
}

void HtmlWindow::ScrollToCaret() {
    Selection& sel = doc_->GetSelection();
    const MarkupPointer& at = impl_->focus.IsPositioned() ? impl_->focus : sel.End();
    Rect r;
    if (sel.Type() == SelectionType::Control) {
        auto els = sel.ControlElements();
        if (!els.empty() && layout_->ElementRect(els.front().get(), &r)) ScrollIntoView(r);
        return;
    }
    if (at.IsPositioned() && layout_->CaretRect(at, &r)) ScrollIntoView(r);
}

void HtmlWindow::ScrollTo(int y) {
    if (!hwnd_) return;
    int maxY = std::max(0, layout_->ContentHeight() - impl_->ClientHeight());
    y = std::max(0, std::min(y, maxY));
    if (y == scrollY_) return;
    scrollY_ = y;
    impl_->UpdateScrollBars();
    InvalidateRect(hwnd_, nullptr, FALSE);
    impl_->UpdateCaret();
}

bool HtmlWindow::FocusDocument() {
    if (!hwnd_) return false;
    SetFocus(hwnd_);
    return GetFocus() == hwnd_;
}

bool HtmlWindow::CaretPosition(POINT* client) const {
    Rect r;
    const Selection& sel = doc_->GetSelection();
    if (!sel.Start().IsPositioned() || !layout_->CaretRect(sel.Start(), &r)) return false;
    client->x = r.left - scrollX_;
    client->y = r.top - scrollY_;
    return true;
}

} // namespace HtmlEngine
