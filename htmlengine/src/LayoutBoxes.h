// Inside of the layout: computed styles, boxes, inline items and lines. Not public.
//
// Block elements get boxes; a run of inline content between them becomes a flow (an anonymous
// box) whose items (words, collapsed spaces, pictures, check boxes, line breaks) are measured
// once and broken into lines for the current width. Positions are relative to the parent box,
// so an edit rebuilds the block it touched and its ancestors only restack their children.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>
#include "DocImpl.h"
#include "htmlengine/Layout.h"
#include "htmlengine/Platform.h"
#include "htmlengine/Style.h"

namespace HtmlEngine {

constexpr uint32_t kNoColor = 0xFFFFFFFF;

enum class Display : uint8_t { Inline, Block, ListItem, Table, RowGroup, Row, Cell, None };
enum class Align : uint8_t { Left, Center, Right, Justify };
enum class ListMark : uint8_t { Disc, Circle, Square, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman, None };

struct BoxStyle {
    FontSpec font;
    int fontId = 0;
    FontMetrics metrics;
    uint32_t color = 0;
    uint32_t background = kNoColor;   // the element's own (not inherited)
    uint32_t inlineBackground = kNoColor;   // of the nearest inline element inside the block
    bool underline = false, strike = false;
    Align align = Align::Left;
    double lineHeight = 0;   // px; 0: normal
    bool pre = false;
    bool nowrap = false;
    int shift = 0;           // baseline shift of SUB/SUP, px (down positive)
    Display display = Display::Inline;
    ListMark listMark = ListMark::Disc;
    int margin[4] = {0, 0, 0, 0};    // top, right, bottom, left
    int padding[4] = {0, 0, 0, 0};
    int border[4] = {0, 0, 0, 0};
    uint32_t borderColor = 0x808080;
    int width = -1, height = -1;     // px; -1 auto
    double widthPercent = -1;
    int maxWidth = -1;
    bool editable = true;            // false inside contentEditable=false
};

struct Item {
    enum Kind : uint8_t { Word, Space, Tab, Break, Picture, CheckBox, Control } kind;
    bool shown = true;        // a space at a line's start draws nothing (set by breaking)
    bool collapsed = false;   // a space right after another space: never shown
    Node* node = nullptr;     // text node, or the element (BR, IMG, INPUT, or the read-only SPAN around it)
    Element* element = nullptr;   // pictures and controls: the IMG / INPUT itself
    uint32_t start = 0, end = 0;  // text: offsets in node
    int x = 0, width = 0;     // x in the flow, after breaking
    int extra = 0;            // spaces of a justified line: what they grew by
    uint32_t line = 0;
    const BoxStyle* style = nullptr;
    // pictures and controls: content size and margins (the width above includes the margins)
    int boxW = 0, boxH = 0;
    int16_t marginX = 0, marginY = 0, borderW = 0;
    uint8_t loadState = 0;    // pictures: 0 shown, 1 loading, 2 failed
};

struct Line {
    int top = 0, height = 0, baseline = 0;   // baseline from the line's top
    uint32_t begin = 0, end = 0;             // items
    int width = 0;                           // of the content, before alignment
};

struct Box {
    enum Kind : uint8_t { Block, Flow, Table, Cell, Rule } kind = Block;
    Element* element = nullptr;   // null for a flow
    Box* parent = nullptr;
    uint32_t index = 0;           // in parent's children
    int x = 0, y = 0, w = 0, h = 0;   // border box, relative to the parent's border box
    int contentH = 0;             // height as laid out (cells are stretched to their rows)
    int shiftY = 0;               // cells: vertical alignment of the content
    // the margins the box shows its parent: its own, joined with those of a first or last
    // child that meet them with no border or padding between (collapsing)
    int marginTop = 0, marginBottom = 0;
    std::vector<std::unique_ptr<Box>> children;
    std::shared_ptr<BoxStyle> style;
    // the styles of the inline elements of flows under this block
    std::vector<std::shared_ptr<BoxStyle>> inlineStyles;
    // flows
    std::vector<Item> items;
    std::vector<Line> lines;
    Node* firstNode = nullptr;    // the block element's children the flow covers
    Node* lastNode = nullptr;
    // lists
    std::wstring marker;
    // tables
    struct CellSlot { Box* box; int row, col, rowSpan, colSpan; };
    struct TableData {
        std::vector<CellSlot> cells;
        std::vector<int> colX, colW, rowY, rowH;
        int spacing = 2, padding = 1, cellBorder = 0;
    };
    std::unique_ptr<TableData> table;
    // layout state
    bool needsLayout = true;
    bool queued = false;          // waits in the list of boxes to rebuild
    int laidWidth = -1;
    bool intrinsicValid = false;
    int minW = 0, maxW = 0;
    uint32_t order = 0;           // flows: number in document order

    bool IsFlow() const { return kind == Flow; }
    const BoxStyle& St() const { return *style; }
};

struct SheetRule {
    std::vector<std::pair<std::wstring, wchar_t>> compounds;   // compound text, combinator to its left
    int specificity = 0;
    size_t order = 0;
    std::vector<CssDeclaration> declarations;
};

struct LayoutImpl : IDocObserver {
    LayoutImpl(Document* d, IPlatform* p);
    ~LayoutImpl() override;

    Document* doc;
    IPlatform* platform;
    IPictureSource* pictures = nullptr;
    int width = 0;
    std::unique_ptr<Box> root;
    std::unordered_map<const Node*, Box*> boxOf;   // block elements' boxes
    bool fullRebuild = true;
    std::vector<Box*> dirty;                        // boxes to rebuild
    size_t rebuilt = 0;                             // blocks rebuilt by the last update
    bool design = false;
    std::wstring sheetText;
    std::vector<SheetRule> rules;
    std::unordered_map<std::wstring, int> wordCache;   // font id + word -> width
    std::wstring wordKey;                               // the lookup's key, kept to be reused
    std::vector<Box*> flowsInOrder;

    // observer
    void NodeChanged(Node* node) override;
    void ContentReset() override;
    void SelectionChanged() override {}

    // update
    void Update();
    void MarkDirty(Node* node);
    void DropBoxes(Box* box);   // forgets the map entries of a subtree

    // styles (LayoutStyle.cpp)
    void LoadSheets();
    std::shared_ptr<BoxStyle> ComputeStyle(const Element* e, const BoxStyle& parent, bool inlineOnly);
    std::shared_ptr<BoxStyle> RootStyle();
    int Font(const FontSpec& spec);

    // building (LayoutBuild.cpp)
    std::unique_ptr<Box> BuildBlock(Element* e, const BoxStyle& parentStyle, Box* parent, int depth);
    void BuildChildren(Box* box, int depth);
    void BuildTable(Box* box, int depth);
    void AddInline(Box* block, Box*& flow, Node* n, const BoxStyle& st, int depth, Node* readOnly);
    void AddText(Box* flow, TextNode* t, const BoxStyle* st);
    int WordWidth(const BoxStyle* st, const wchar_t* s, size_t n);

    // layout (LayoutFlow.cpp)
    void LayoutBox(Box* box, int availWidth);
    void LayoutFlow(Box* flow, int width);
    void LayoutTable(Box* box, int availWidth);
    void Intrinsic(Box* box);
    void NumberFlows();
    static void CollectFlows(Box* box, std::vector<Box*>& out);   // a subtree's flows in order

    // queries (LayoutQuery.cpp)
    Box* BoxFor(Node* n) const;
    Box* FlowFor(Pos p, Box** blockOut);
    bool Locate(Pos p, Box** flow, size_t* item, size_t* k);
    Pos PosAt(Box* flow, size_t item, size_t k) const;
    Pos ItemStart(const Box* flow, size_t i) const;
    Pos ItemEnd(const Box* flow, size_t i) const;
    size_t DisplayLength(const Item& it) const;
    std::wstring DisplayText(const Item& it) const;
    int PrefixWidth(const Item& it, size_t k);
    void AbsOrigin(const Box* box, int* x, int* y) const;
    bool CaretRect(Pos p, Rect* r);
    Pos HitFlow(Box* flow, int x, int y);
    Pos HitBox(Box* box, int x, int y, Element** element);
    Box* NextFlow(Box* flow, bool forward) const;
};

Pos CanonPos(Pos p);

// How far an item reaches on its line (a space of a justified line is wider than measured).
inline int Advance(const Item& it) { return it.width + it.extra; }

} // namespace HtmlEngine
