// Positions in a document: markup pointers, text ranges, the selection and highlight segments.
// A position lies between two items of the markup (a character, an element's begin or end, an
// element without content); all pointers of a document stay where they were when the document
// changes around them.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "Dom.h"

namespace HtmlEngine {

enum class Gravity { Left, Right };   // which side of inserted content a pointer stays on

// What a step of Left/Right passed.
enum class Context {
    None = 0,        // nothing (start or end of the document)
    Text = 1,        // characters
    EnterScope = 2,  // the begin of an element with content
    ExitScope = 3,   // the end of an element
    NoScope = 4      // an element without content (IMG, BR, INPUT, HR) or a comment
};

// Search flags of FindText.
enum FindFlags : unsigned {
    FIND_WHOLE_WORD = 2,
    FIND_MATCH_CASE = 4
};

class MarkupPointer {
public:
    explicit MarkupPointer(Document* document);   // not positioned
    MarkupPointer(const MarkupPointer& other);
    MarkupPointer& operator=(const MarkupPointer& other);
    ~MarkupPointer();

    Document* GetDocument() const { return doc_; }
    bool IsPositioned() const { return doc_ && container_ != nullptr; }
    void Unposition();
    Gravity GetGravity() const { return gravity_; }
    void SetGravity(Gravity gravity) { gravity_ = gravity; }

    bool MoveToPointer(const MarkupPointer& other);
    bool MoveAdjacentToElement(Element* element, Where where);
    bool MoveToContainer(Node* container, bool atStart);   // start or end of a node's content
    // DOM-style: a text node and a character offset, or a parent and a child index.
    bool MoveTo(Node* container, size_t offset);

    Node* Container() const { return container_; }
    size_t Offset() const { return offset_; }
    // The element whose content holds the position (null at the document's top level).
    Element* CurrentScope() const;

    // Looks at (and with move, steps over) the item on the left or right. For text, cch gives
    // the most characters to take (-1 or null: the whole text up to the next tag) and returns the
    // count taken; text receives the characters. node receives the element entered, left or
    // passed (or the comment).
    Context Left(bool move, Node** node = nullptr, long* cch = nullptr, std::wstring* text = nullptr);
    Context Right(bool move, Node** node = nullptr, long* cch = nullptr, std::wstring* text = nullptr);

    int Compare(const MarkupPointer& other) const;   // -1, 0, 1 (unpositioned: 0)
    bool IsEqualTo(const MarkupPointer& other) const { return Compare(other) == 0; }
    bool IsLeftOf(const MarkupPointer& other) const { return Compare(other) < 0; }
    bool IsRightOf(const MarkupPointer& other) const { return Compare(other) > 0; }
    bool IsLeftOfOrEqualTo(const MarkupPointer& other) const { return Compare(other) <= 0; }
    bool IsRightOfOrEqualTo(const MarkupPointer& other) const { return Compare(other) >= 0; }

    // Finds text to the right, up to searchEnd (the document's end when null or unpositioned).
    // On success this pointer moves to the match's start and matchEnd (when given) to its end.
    bool FindText(const std::wstring& text, unsigned flags, MarkupPointer* matchEnd = nullptr,
                  const MarkupPointer* searchEnd = nullptr);

private:
    friend struct DocImpl;
    friend class Document;
    void Register();
    void Unregister();
    void Set(Node* container, size_t offset);
    Document* doc_ = nullptr;
    Node* container_ = nullptr;
    NodePtr hold_;   // keeps the container alive (never the document itself)
    size_t offset_ = 0;
    Gravity gravity_ = Gravity::Left;
    size_t reg_ = SIZE_MAX;
};

class TextRange {
public:
    explicit TextRange(Document* document);
    TextRange(const MarkupPointer& start, const MarkupPointer& end);
    TextRange(const TextRange& other);
    TextRange& operator=(const TextRange& other);

    MarkupPointer& Start() { return start_; }
    MarkupPointer& End() { return end_; }
    const MarkupPointer& Start() const { return start_; }
    const MarkupPointer& End() const { return end_; }
    Document* GetDocument() const { return start_.GetDocument(); }
    bool IsPositioned() const { return start_.IsPositioned() && end_.IsPositioned(); }
    bool IsEmpty() const;   // collapsed (or nothing between the ends)

    bool MoveToPointers(const MarkupPointer& start, const MarkupPointer& end);   // ordered
    bool MoveToElementText(Element* element);
    void Collapse(bool toStart);
    bool Select() const;   // makes it the document's text selection

    std::wstring Text() const;       // inner text of the range
    std::wstring HtmlText() const;   // markup of the range; partly covered elements included
    bool SetText(const std::wstring& text);   // replaces the content with text
    bool PasteHtml(const std::wstring& html); // replaces the content; the range collapses after it
    // The element that contains the whole range (ends moved inward over tags first).
    Element* ParentElement() const;
    // Searches from the range's start to its end (to the document's end when the range is
    // collapsed); on success the range covers the match.
    bool FindText(const std::wstring& text, unsigned flags = 0);
    bool IsEqual(const TextRange& other) const;
    bool InRange(const TextRange& other) const;   // other lies within this range

private:
    MarkupPointer start_;
    MarkupPointer end_;
};

enum class SelectionType { None, Text, Control };

class Selection {
public:
    SelectionType Type() const;
    bool IsCollapsed() const;   // a caret (or nothing)
    TextRange CreateRange() const;    // text selection (or the caret); a control selection's
                                      // range covers its first element
    std::vector<ElementPtr> ControlElements() const;
    const MarkupPointer& Start() const;
    const MarkupPointer& End() const;
    void SelectRange(const MarkupPointer& start, const MarkupPointer& end);
    void SelectRange(const TextRange& range) { SelectRange(range.Start(), range.End()); }
    void SelectElement(Element* element);   // control selection (an image, a table, ...)
    void MoveCaret(const MarkupPointer& at);
    void Empty();   // no selection
    std::wstring Text() const;

private:
    friend struct DocImpl;
    explicit Selection(Document* doc);
    Document* doc_;
};

// The look of a highlight segment, kept for painting.
struct RenderStyle {
    std::wstring defaultTextSelection;   // "false": the segment does not take the selection look
    std::wstring backgroundColor;
    std::wstring textColor;
};

class HighlightSegment {
public:
    HighlightSegment(const MarkupPointer& start, const MarkupPointer& end, const RenderStyle& style);
    const MarkupPointer& Start() const { return start_; }
    const MarkupPointer& End() const { return end_; }
    const RenderStyle& Style() const { return style_; }
    std::wstring Text() const;   // the text between the ends now

private:
    MarkupPointer start_;
    MarkupPointer end_;
    RenderStyle style_;
};

} // namespace HtmlEngine
