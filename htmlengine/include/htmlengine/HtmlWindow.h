// The engine's window: a child window that shows one document, scrolls it, paints it through a
// back buffer, puts the caret on screen, takes keys and the mouse (caret moves and selection,
// typing, Enter, Backspace, Delete, Tab, clipboard, check boxes), loads pictures in the
// background, tells its host of loads, selection changes and focus, prints and renders into
// any DC.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include "Commands.h"
#include "Dom.h"
#include "Layout.h"

namespace HtmlEngine {

// Events the host's edit designer sees before the window handles them.
enum class DesignerEvent { MouseOver, MouseOut };

struct IHtmlWindowHost {
    virtual ~IHtmlWindowHost() = default;
    virtual void OnDocumentComplete() {}   // a load finished (pictures may still be loading: IsBusy)
    virtual void OnUpdateUI() {}           // the selection or the content changed (posted, one per burst)
    virtual void OnKillFocus() {}
    // The edit designer's pre-handle of mouse-over and mouse-out of links; true consumes it.
    virtual bool PreHandleEvent(DesignerEvent, Element*) { return false; }
    // A key before the window handles it; true when the host handled it.
    virtual bool TranslateAccelerator(const MSG&) { return false; }
};

class HtmlWindow {
public:
    static const wchar_t kClassName[];   // "PeloraHtmlView"

    HtmlWindow();
    ~HtmlWindow();
    HtmlWindow(const HtmlWindow&) = delete;
    HtmlWindow& operator=(const HtmlWindow&) = delete;

    bool Create(HWND parent, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP);
    void Destroy();
    HWND Handle() const { return hwnd_; }
    void SetHost(IHtmlWindowHost* host) { host_ = host; }

    Document* GetDocument() const { return doc_.get(); }
    Layout& GetLayout() { return *layout_; }

    // Loading replaces the document's content; the host hears OnDocumentComplete afterwards.
    void LoadHtml(const std::wstring& html);
    void LoadStream(IByteSource& source);
    void SetDesignMode(bool on);
    // Read-only: the caret and the selection move, nothing changes the document.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool IsReadOnly() const { return readOnly_; }
    bool IsBusy() const;   // pictures are still loading

    // Fetches a picture's bytes (called on the loading thread); false leaves the URL to the
    // window itself: http/https through WinINet, file URLs and paths from disk.
    using Resolver = std::function<bool(const std::wstring& url, std::string* bytes)>;
    void SetResolver(Resolver resolver);
    PicturePtr PictureOf(const Element* image) const;

    // The document's commands plus print (27), which the window answers.
    unsigned QueryStatus(int command);
    bool Exec(int command, const Value& in = Value(), Value* out = nullptr, bool prompt = false);

    // Scrolling and the caret.
    void ScrollToCaret();
    bool ScrollIntoView(const Rect& documentRect);
    void ScrollTo(int y);
    int ScrollY() const { return scrollY_; }
    bool FocusDocument();
    bool CaretPosition(POINT* client) const;   // where the caret is drawn (client coordinates)

    // Paints the page without selection or caret: into dc at rect, from document y scrollY.
    void RenderToDC(HDC dc, const RECT& rect, int scrollY = 0);
    // Paints the page in pages of the device's printable size (96 pixels to the inch);
    // with startPages, StartPage/EndPage bracket each one. Returns the number of pages.
    int PrintPages(HDC dc, bool startPages);
    // The print command: the printer dialog (prompt) or the default printer.
    bool Print(bool prompt);
    // A bitmap compatible with the screen holding an IMG element as displayed: E_INVALIDARG for
    // anything else, S_FALSE (no bitmap) while the picture is not loaded.
    HRESULT RenderImage(Element* image, HBITMAP* bitmap);

    struct Impl;

private:
    friend struct Impl;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    std::unique_ptr<Impl> impl_;
    HWND hwnd_ = nullptr;
    IHtmlWindowHost* host_ = nullptr;
    DocumentPtr doc_;
    std::unique_ptr<Layout> layout_;
    bool readOnly_ = false;
    int scrollY_ = 0, scrollX_ = 0;
};

} // namespace HtmlEngine
