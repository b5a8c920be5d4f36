// CSS pieces the engine needs: inline declarations, colours, lengths, the document's style
// sheets and the computed values the editor queries.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace HtmlEngine {

class Element;
class StyleSheet;

struct CssDeclaration {
    std::wstring name;    // lower case
    std::wstring value;   // trimmed, "!important" removed
    bool important = false;
};

// "color: red; FONT-SIZE: 12px" -> declarations in order (a later duplicate replaces an earlier).
std::vector<CssDeclaration> ParseDeclarations(const std::wstring& text);
// "color: red; font-size: 12px" (no trailing separator; empty for no declarations).
std::wstring SerializeDeclarations(const std::vector<CssDeclaration>& declarations);
// The value of one property in declaration text; empty when absent.
std::wstring FindDeclaration(const std::wstring& text, const std::wstring& name);
// Declaration text with one property set (empty value removes it).
std::wstring SetDeclaration(const std::wstring& text, const std::wstring& name, const std::wstring& value);

// Colours: "#rgb", "#rrggbb", "rgb(r, g, b)", the named colours, or a number 0x00BBGGRR written
// in decimal (the command values). Result 0x00RRGGBB.
bool ParseColor(const std::wstring& text, uint32_t* rgb);
std::wstring ColorToHex(uint32_t rgb);           // "#rrggbb"
inline uint32_t RgbToBgr(uint32_t rgb) {          // 0x00RRGGBB <-> 0x00BBGGRR
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// A CSS length in px: px, pt, pc, in, cm, mm, em/ex/% (relative to parentPx), the font-size
// keywords when keywords is set, and unitless numbers. False when it is not a length.
bool ParseLengthPx(const std::wstring& text, double parentPx, double* px, bool keywords = false);
// HTML font sizes 1..7 as px (10, 13, 16, 18, 24, 32, 48) and back (nearest size).
double HtmlFontSizeToPx(int size);
int PxToHtmlFontSize(double px);

class StyleRule {
public:
    const std::wstring& SelectorText() const { return selector_; }
    void SetSelectorText(const std::wstring& selector);
    const std::wstring& CssText() const { return css_; }
    void SetCssText(const std::wstring& css);
    std::wstring GetProperty(const std::wstring& name) const;
    void SetProperty(const std::wstring& name, const std::wstring& value);

private:
    friend class StyleSheet;
    StyleSheet* sheet_ = nullptr;
    std::wstring selector_;
    std::wstring css_;
};

// The sheet of one STYLE element. Changing it is not a change of the document's markup (no undo
// step, no change notice); the element writes the changed rules when it is serialised.
class StyleSheet {
public:
    explicit StyleSheet(Element* owner) : owner_(owner) {}
    Element* OwnerNode() const { return owner_; }
    std::wstring Href() const;   // the LINK element's href; empty for STYLE
    size_t RuleCount();
    StyleRule* Rule(size_t index);
    StyleRule* FindRule(const std::wstring& selector);   // first rule with that selector, without case
    StyleRule* AddRule(const std::wstring& selector, const std::wstring& css, int index = -1);
    bool RemoveRule(size_t index);
    std::wstring CssText();
    void SetCssText(const std::wstring& text);
    bool IsModified() const { return modified_; }

private:
    friend class StyleRule;
    void Sync();   // re-reads the element's text when that changed
    struct Item {   // a rule, or other text (at-rules) kept as it was
        std::unique_ptr<StyleRule> rule;
        std::wstring raw;
    };
    void Parse(const std::wstring& text);
    void Touch() { modified_ = true; }
    Element* owner_;
    std::vector<Item> items_;
    std::wstring parsedFrom_;
    bool parsed_ = false;
    bool modified_ = false;
};

// Computed values through the cascade: inline style, matching style-sheet rules (type, class,
// id, universal and descendant selectors), presentational attributes (FONT size/face/color,
// align, bgcolor), the defaults of the tags, and inheritance. Supported properties: font-size
// (returned as "Npx"), font-family, color, background-color (of the element itself, else
// "transparent"), font-weight, font-style, text-decoration (accumulated through ancestors),
// text-align, line-height, vertical-align, display, margin-left, margin-top, width, height.
std::wstring ComputedStyle(const Element* element, const std::wstring& property);
double ComputedFontSizePx(const Element* element);

} // namespace HtmlEngine
