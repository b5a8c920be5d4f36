// The clipboard seam of the copy, cut and paste commands, the "HTML Format" text, and the
// Windows clipboard behind the seam.
#pragma once
#include <string>

namespace HtmlEngine {

struct IClipboard {
    virtual ~IClipboard() = default;
    // Replaces the clipboard's content with both forms; false when the clipboard can't be had.
    virtual bool SetContent(const std::string& htmlFormat, const std::wstring& unicodeText) = 0;
    virtual bool GetHtmlFormat(std::string* htmlFormat) = 0;     // the raw "HTML Format" bytes
    virtual bool GetUnicodeText(std::wstring* text) = 0;         // CF_UNICODETEXT
    virtual bool HasContent() = 0;                               // either form is present
};

// "HTML Format" data: "Version:0.9" header with the byte offsets of the HTML and the fragment,
// "SourceURL" when given, and the UTF-8 fragment between <!--StartFragment--> and
// <!--EndFragment--> inside <html><body>.
std::string BuildHtmlFormat(const std::wstring& fragmentHtml, const std::wstring& sourceUrl);
// The fragment between the markers (case-insensitive), from UTF-8; false without both markers
// in that order.
bool ExtractHtmlFragment(const std::string& htmlFormat, std::wstring* fragment);
std::wstring HtmlFormatSourceUrl(const std::string& htmlFormat);   // trimmed; empty when absent

// The Windows clipboard ("HTML Format" and CF_UNICODETEXT); owner may be null.
class Win32Clipboard : public IClipboard {
public:
    explicit Win32Clipboard(void* ownerWindow = nullptr) : owner_(ownerWindow) {}
    bool SetContent(const std::string& htmlFormat, const std::wstring& unicodeText) override;
    bool GetHtmlFormat(std::string* htmlFormat) override;
    bool GetUnicodeText(std::wstring* text) override;
    bool HasContent() override;

private:
    bool Open();
    void* owner_;
};

// A clipboard held in memory (tests, and documents without a window).
class MemoryClipboard : public IClipboard {
public:
    bool SetContent(const std::string& htmlFormat, const std::wstring& unicodeText) override {
        html_ = htmlFormat; text_ = unicodeText; hasHtml_ = !htmlFormat.empty(); hasText_ = true;
        return true;
    }
    bool GetHtmlFormat(std::string* htmlFormat) override { *htmlFormat = html_; return hasHtml_; }
    bool GetUnicodeText(std::wstring* text) override { *text = text_; return hasText_; }
    bool HasContent() override { return hasHtml_ || hasText_; }
    void SetText(const std::wstring& text) { text_ = text; hasText_ = true; html_.clear(); hasHtml_ = false; }
    void Clear() { html_.clear(); text_.clear(); hasHtml_ = hasText_ = false; }

private:
    std::string html_;
    std::wstring text_;
    bool hasHtml_ = false, hasText_ = false;
};

} // namespace HtmlEngine
