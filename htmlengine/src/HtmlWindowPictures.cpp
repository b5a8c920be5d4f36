// The window's picture loader (a thread that fetches and decodes, results posted back), printing
// and rendering into other DCs.
#include "HtmlWindowImpl.h"
#include <wininet.h>
#include <algorithm>
#include "TextUtil.h"

namespace HtmlEngine {

namespace {

// Files and downloads larger than this are no pictures for a note.
constexpr size_t kMaxPictureBytes = 64u * 1024 * 1024;

bool ReadFileBytes(const std::wstring& path, std::string* bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart <= LONGLONG(kMaxPictureBytes);
    if (ok) {
        bytes->resize(size_t(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(f, &(*bytes)[0], DWORD(bytes->size()), &got, nullptr) && got == bytes->size();
    }
    CloseHandle(f);
    return ok;
}

bool Download(const std::wstring& url, std::string* bytes) {
    HINTERNET net = InternetOpenW(L"Pelora", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!net) return false;
    DWORD timeout = 15000;
    InternetSetOptionW(net, INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionW(net, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    HINTERNET req = InternetOpenUrlW(net, url.c_str(), nullptr, 0,
                                     INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_RELOAD, 0);
    bool ok = false;
    if (req) {
        DWORD status = 0, len = sizeof status;
        bool http = HttpQueryInfoW(req, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr);
        ok = !http || status == 200;
        char buf[16384];
        DWORD got = 0;
        while (ok && InternetReadFile(req, buf, sizeof buf, &got) && got) {
            if (bytes->size() + got > kMaxPictureBytes) { ok = false; break; }
            bytes->append(buf, got);
        }
        ok = ok && !bytes->empty();
        InternetCloseHandle(req);
    }
    InternetCloseHandle(net);
    return ok;
}

} // namespace

bool HtmlWindow::Impl::Fetch(const std::wstring& url, std::string* bytes) {
    if (IStartsWith(url, L"http://") || IStartsWith(url, L"https://")) return Download(url, bytes);
    if (IStartsWith(url, L"file:///")) {
        std::wstring path = url.substr(8);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return ReadFileBytes(path, bytes);
    }
    if (url.size() > 2 && url[1] == ':') return ReadFileBytes(url, bytes);
    return false;
}

void HtmlWindow::Impl::Request(Element* image, const std::wstring& url) {
    uint64_t id = ++nextJob;
    pending[id] = std::static_pointer_cast<Element>(image->Self());
    {
        std::lock_guard<std::mutex> g(lock);
        jobs.push_back(Job{id, url});
        stopping = false;
        if (!loader.joinable()) loader = std::thread(&Impl::LoaderThread, this);
    }
    wake.notify_one();
}

void HtmlWindow::Impl::LoaderThread() {
    std::unique_lock<std::mutex> g(lock);
    while (true) {
        wake.wait(g, [&] { return stopping || !jobs.empty(); });
        if (stopping) return;
        Job job = jobs.front();
        jobs.pop_front();
        HtmlWindow::Resolver resolve = resolver;
        g.unlock();
        std::string bytes;
        bool got = false;
        if (resolve) got = resolve(job.url, &bytes);
        if (!got) got = Fetch(job.url, &bytes);
        PicturePtr picture = got ? platform.DecodeImage(bytes.data(), bytes.size()) : nullptr;
        g.lock();
        if (stopping) return;
        done.push_back(Done{job.id, picture});
        HWND h = win.hwnd_;
        if (h) PostMessageW(h, WM_ENGINE_PICTURES, 0, 0);
    }
}

void HtmlWindow::Impl::StopLoader() {
    {
        std::lock_guard<std::mutex> g(lock);
        stopping = true;
        jobs.clear();
        done.clear();
    }
    wake.notify_all();
    if (loader.joinable()) loader.join();
    std::lock_guard<std::mutex> g(lock);
    stopping = false;
}

void HtmlWindow::Impl::Deliver() {
    std::vector<Done> ready;
    {
        std::lock_guard<std::mutex> g(lock);
        ready.swap(done);
    }
    for (Done& d : ready) {
        auto it = pending.find(d.id);
        if (it == pending.end()) continue;
        ElementPtr image = it->second;
        pending.erase(it);
        bool stillAsked = true;
        for (auto& p : pending) stillAsked = stillAsked && p.second != image;   // a newer request wins
        if (!stillAsked) continue;
        if (d.picture) pictures[image.get()] = {image, d.picture};
        else pictures.erase(image.get());
        image->SetImageLoaded(d.picture != nullptr, d.picture ? d.picture->Width() : 0, d.picture ? d.picture->Height() : 0);
    }
}

PicturePtr HtmlWindow::Impl::PictureFor(const Element* image) {
    auto it = pictures.find(image);
    return it == pictures.end() ? nullptr : it->second.second;
}

// ---------------------------------------------------------------- other DCs

void HtmlWindow::RenderToDC(HDC dc, const RECT& rect, int scrollY) {
    GdiPlatform& p = impl_->platform;
    int w = rect.right - rect.left;
    if (w <= 0 || rect.bottom <= rect.top) return;
    if (!hwnd_) layout_->SetWidth(w);
    p.SetTarget(dc);
    PaintOptions options;
    options.selection = false;
    Rect clip{0, scrollY, w, scrollY + (rect.bottom - rect.top)};
    layout_->Paint(clip, -rect.left, scrollY - rect.top, options);
    p.SetTarget(nullptr);
}

int HtmlWindow::PrintPages(HDC dc, bool startPages) {
    int dpiX = std::max(1, GetDeviceCaps(dc, LOGPIXELSX)), dpiY = std::max(1, GetDeviceCaps(dc, LOGPIXELSY));
    int pageW = GetDeviceCaps(dc, HORZRES) * 96 / dpiX, pageH = GetDeviceCaps(dc, VERTRES) * 96 / dpiY;
    if (pageW <= 0 || pageH <= 0) return 0;
    // a layout of its own at the page's width, in pixels of 96 to the inch
    GdiPlatform printer;
    Layout layout(doc_.get(), &printer);
    layout.SetPictureSource(impl_.get());
    layout.SetWidth(pageW);
    int height = std::max(1, layout.ContentHeight());
    int pages = 0;
    PaintOptions options;
    options.selection = false;
    options.highlights = false;
    for (int top = 0; top < height && pages < 10000; top += pageH) {
        if (startPages && StartPage(dc) <= 0) break;
        int saved = SaveDC(dc);
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 96, 96, nullptr);
        SetViewportExtEx(dc, dpiX, dpiY, nullptr);
        printer.SetTarget(dc);
        layout.Paint(Rect{0, top, pageW, top + pageH}, 0, top, options);
        printer.SetTarget(nullptr);
        RestoreDC(dc, saved);
        ++pages;
        if (startPages && EndPage(dc) <= 0) break;
    }
    return pages;
}

bool HtmlWindow::Print(bool prompt) {
    PRINTDLGW pd = {sizeof pd};
    pd.hwndOwner = hwnd_ ? GetAncestor(hwnd_, GA_ROOT) : nullptr;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | (prompt ? 0 : PD_RETURNDEFAULT);
    if (!PrintDlgW(&pd) || !pd.hDC) return false;
    DOCINFOW info = {sizeof info};
    info.lpszDocName = L"Note";
    bool ok = StartDocW(pd.hDC, &info) > 0;
    if (ok) {
        ok = PrintPages(pd.hDC, true) > 0;
        if (ok) EndDoc(pd.hDC);
        else AbortDoc(pd.hDC);
    }
    DeleteDC(pd.hDC);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    return ok;
}

HRESULT HtmlWindow::RenderImage(Element* image, HBITMAP* bitmap) {
    if (bitmap) *bitmap = nullptr;
    if (!image || !image->Is(TAG_IMG) || !bitmap) return E_INVALIDARG;
    if (!image->IsComplete()) return S_FALSE;
    PicturePtr pic = impl_->PictureFor(image);
    Rect r;
    if (!pic || !layout_->ElementRect(image, &r) || r.IsEmpty()) return S_FALSE;
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.Width(), r.Height());
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!bmp || !mem) {
        if (bmp) DeleteObject(bmp);
        if (mem) DeleteDC(mem);
        return E_OUTOFMEMORY;
    }
    HGDIOBJ old = SelectObject(mem, bmp);
    Rectangle(mem, 0, 0, r.Width(), r.Height());
    GdiPlatform p;
    p.SetTarget(mem);
    p.DrawPicture(*pic, Rect{0, 0, r.Width(), r.Height()});
    p.SetTarget(nullptr);
    SelectObject(mem, old);
    DeleteDC(mem);
    *bitmap = bmp;
    return S_OK;
}

} // namespace HtmlEngine
