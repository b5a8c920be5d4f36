// Inside of the engine's window: its platform, the picture loader and the input state.
#pragma once
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include "DocImpl.h"
#include "htmlengine/Clipboard.h"
#include "htmlengine/GdiPlatform.h"
#include "htmlengine/HtmlWindow.h"

namespace HtmlEngine {

// the timer that scrolls while a drag holds the pointer past an edge, and its period
constexpr UINT_PTR kAutoScrollTimer = 0x5E1;
constexpr UINT kAutoScrollMs = 50;

enum : UINT {
    WM_ENGINE_COMPLETE = WM_APP + 0x310,   // a load finished
    WM_ENGINE_UPDATEUI,                    // the selection or the content changed
    WM_ENGINE_PICTURES                     // the loader has finished pictures
};

struct HtmlWindow::Impl : IDocObserver, IImageLoader, IPictureSource {
    explicit Impl(HtmlWindow& w);
    ~Impl() override;

    HtmlWindow& win;
    GdiPlatform platform;
    Win32Clipboard clipboard;

    // the document tells of changes: repaint and tell the host once per burst
    bool invalid = false;
    bool uiPosted = false;
    void NodeChanged(Node*) override { Changed(); }
    void ContentReset() override { Changed(); }
    void SelectionChanged() override { Changed(); }
    void Changed();

    // pictures: requests go to a loading thread, results come back as a posted message
    struct Job {
        uint64_t id;
        std::wstring url;
    };
    struct Done {
        uint64_t id;
        PicturePtr picture;
    };
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Job> jobs;
    std::vector<Done> done;
    bool stopping = false;
    std::thread loader;
    HtmlWindow::Resolver resolver;
    uint64_t nextJob = 0;
    std::unordered_map<uint64_t, ElementPtr> pending;
    std::unordered_map<const Element*, std::pair<ElementPtr, PicturePtr>> pictures;
    void Request(Element* image, const std::wstring& url) override;
    PicturePtr PictureFor(const Element* image) override;
    void LoaderThread();
    void Deliver();
    void StopLoader();
    static bool Fetch(const std::wstring& url, std::string* bytes);

    // input
    MarkupPointer anchor, focus;   // the selection's fixed and moving ends
    int goalX = -1;
    bool dragging = false;
    POINT dragPoint = {0, 0};      // where the pointer is while dragging (client coordinates)
    bool autoScrolling = false;    // the pointer is held past the top or bottom edge: a timer scrolls
    Element* pressed = nullptr;    // the check box or element the button went down on
    ElementPtr pressedHold;
    ElementPtr hoverLink;
    bool focused = false;
    int caretHeight = 0;
    bool caretShown = false;
    wchar_t highSurrogate = 0;
    HBITMAP back = nullptr;        // the paint buffer
    int backW = 0, backH = 0;

    void SyncEnds();               // the ends follow a selection made through the document
    void Select(bool extend);      // the selection from anchor and focus
    void UpdateCaret();
    void UpdateScrollBars();
    int ClientHeight() const;
    int ClientWidth() const;
    bool Editable() const;
    bool KeyDown(WPARAM key);
    void Char(wchar_t c);
    void MouseDown(int x, int y, bool shift, bool dbl);
    void MouseMove(int x, int y);
    void MouseUp(int x, int y);
    void AutoScroll();             // one step of scrolling towards the held pointer
    void StopAutoScroll();
    void Paint();
    void PaintRect(HDC dc, const RECT& rc);   // as on screen, selection included
    bool Fire(Element* target, const wchar_t* event);   // false when a handler cancelled
};

} // namespace HtmlEngine
