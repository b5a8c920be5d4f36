// Layout and painting of a document over the platform seam: boxes for blocks, lines of words
// for inline content, lists, tables, pictures, check boxes; caret and hit testing; moving a
// caret by characters, words, lines and pages. Coordinates are document pixels (0, 0 at the
// top left of the page); the caller scrolls by painting with an offset.
#pragma once
#include <memory>
#include <vector>
#include "Dom.h"
#include "Markup.h"
#include "Platform.h"

namespace HtmlEngine {

struct LayoutImpl;

// Decoded pictures of IMG elements, kept by whoever loads them (the window's image loader).
struct IPictureSource {
    virtual ~IPictureSource() = default;
    virtual PicturePtr PictureFor(const Element* image) = 0;
};

enum class CaretMove {
    Left, Right, WordLeft, WordRight, LineStart, LineEnd, Up, Down, DocumentStart, DocumentEnd
};

struct PaintOptions {
    bool selection = true;           // paint the document's selection
    uint32_t selectionBack = 0x3399FF;
    uint32_t selectionText = 0xFFFFFF;
    uint32_t pageBack = 0xFFFFFF;    // under a BODY without background colour
    bool highlights = true;          // paint the highlight segments
};

class Layout {
public:
    Layout(Document* document, IPlatform* platform);
    ~Layout();
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    void SetPictureSource(IPictureSource* source);
    // The width the page is laid out in (the window's client width); at least 0.
    void SetWidth(int width);
    int Width() const;
    // Brings the boxes in step with the document: only blocks that changed are built again.
    void Update();
    // Marks an IMG element's box for layout (its picture arrived or failed).
    void PictureChanged(Element* image);
    int ContentHeight();
    int ContentWidth();
    size_t LastRebuiltBlocks() const;   // blocks built by the last Update (1 for a typed character)

    // The caret's rectangle for a position; false when it has no place on the page.
    bool CaretRect(const MarkupPointer& at, Rect* rect);
    // The position nearest to a point; false without any place.
    bool PositionFromPoint(int x, int y, MarkupPointer* out);
    // The innermost element under a point (null outside the page's content).
    Element* ElementFromPoint(int x, int y);
    // The rectangle of an element's box or of its inline content (union), false when not shown.
    bool ElementRect(Element* element, Rect* rect);
    // Moves a position; goalX keeps the column of Up/Down (pass -1 to take the caret's own).
    bool Move(MarkupPointer& at, CaretMove move, int* goalX = nullptr);
    // The word around a position (double click), as two positions.
    bool WordAt(const MarkupPointer& at, MarkupPointer* start, MarkupPointer* end);

    // Paints the part of the page inside clip (document coordinates) with the page moved by
    // (-originX, -originY): a window scrolled to originY paints clip = its client rectangle
    // moved by the scroll position.
    void Paint(const Rect& clip, int originX, int originY, const PaintOptions& options);

    LayoutImpl& Impl() { return *impl_; }

private:
    std::unique_ptr<LayoutImpl> impl_;
};

} // namespace HtmlEngine
