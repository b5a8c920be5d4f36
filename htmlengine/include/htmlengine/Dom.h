// The mutable document model: nodes, elements, text, comments and the document itself.
// Every change made through these classes is one step of the document's undo history, keeps the
// markup pointers of the document in place and is reported to the registered change sinks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "TagIds.h"

namespace HtmlEngine {

class Document;
class Node;
class Element;
class TextNode;
class StyleSheet;
class Selection;
class MarkupPointer;
class TextRange;
class HighlightSegment;
struct DocImpl;
struct IClipboard;

using NodePtr = std::shared_ptr<Node>;
using ElementPtr = std::shared_ptr<Element>;
using TextPtr = std::shared_ptr<TextNode>;
using DocumentPtr = std::shared_ptr<Document>;

enum class NodeType { Document, Element, Text, Comment, Doctype };

// Where InsertAdjacent* puts content relative to an element.
enum class Where { BeforeBegin, AfterBegin, BeforeEnd, AfterEnd };

struct Attribute {
    std::wstring name;   // as written (case kept); compared without case
    std::wstring value;
};

// Called after every change of the document's markup (once per outermost operation).
struct IChangeSink {
    virtual ~IChangeSink() = default;
    virtual void Notify() = 0;
};

// An element's event handler slot ("onclick", "ondblclick", ...). The window layer dispatches
// events; the handler returns false to cancel the default action.
struct IEventHandler {
    virtual ~IEventHandler() = default;
    virtual bool Invoke(Element* target) = 0;
};

// Fetches image data for IMG elements. The engine asks for every new source; the loader answers
// later through Element::SetImageLoaded. Without a loader images count as complete at once.
struct IImageLoader {
    virtual ~IImageLoader() = default;
    virtual void Request(Element* image, const std::wstring& url) = 0;
};

// Supplies a document's bytes (UTF-16LE with byte-order mark, UTF-8, ...). Read returns false at
// the end of the data; reading also stops at a read that delivers no bytes.
struct IByteSource {
    virtual ~IByteSource() = default;
    virtual bool Read(void* buffer, uint32_t count, uint32_t* got) = 0;
};

class Node : public std::enable_shared_from_this<Node> {
public:
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    NodeType Type() const { return type_; }
    bool IsElement() const { return type_ == NodeType::Element; }
    bool IsText() const { return type_ == NodeType::Text; }
    bool IsComment() const { return type_ == NodeType::Comment; }
    Element* AsElement();
    const Element* AsElement() const;
    TextNode* AsText();
    const TextNode* AsText() const;
    // Null once the document is gone.
    Document* OwnerDocument() const { return doc_; }
    NodePtr Self() { return shared_from_this(); }

    // Relatives.
    Node* Parent() const { return parent_; }
    Element* ParentElement() const;
    size_t ChildCount() const { return children_.size(); }
    Node* ChildAt(size_t i) const { return i < children_.size() ? children_[i].get() : nullptr; }
    const std::vector<NodePtr>& Children() const { return children_; }
    Node* FirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
    Node* LastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
    Node* PreviousSibling() const;
    Node* NextSibling() const;
    size_t IndexInParent() const;   // 0 for a node without parent
    bool Contains(const Node* other) const;   // inclusive
    size_t Depth() const;   // number of ancestors

    // Pre-order walk, limited to the subtree of root when given.
    Node* NextInOrder(const Node* root = nullptr) const;
    Node* NextSkippingChildren(const Node* root = nullptr) const;
    Node* PreviousInOrder(const Node* root = nullptr) const;

    // Text and markup of the node.
    std::wstring TextContent() const;   // all descendant text, as stored
    std::wstring InnerText() const;     // rendered-like text: line breaks for BR and blocks
    std::wstring InnerText(size_t maxChars) const;   // its first characters, read no further
    std::wstring OuterHtml() const;
    std::wstring InnerHtml() const;

    // Tree changes. A node from another document is refused; a node that has a parent is moved.
    // Elements nest at most 400 deep (the parser's cap): a change that would go deeper is
    // refused (false), as is every editing operation that would.
    bool AppendChild(const NodePtr& child);
    bool InsertBefore(const NodePtr& child, Node* reference);   // null reference appends
    NodePtr RemoveChild(Node* child);
    // Removes the node: deep takes its content along, shallow leaves the children in its place.
    NodePtr RemoveNode(bool deep = true);
    bool ReplaceWith(const NodePtr& replacement);

protected:
    Node(NodeType type, Document* doc);

private:
    friend class Document;
    friend struct DocImpl;
    NodeType type_;
    Document* doc_;
    Node* parent_ = nullptr;
    mutable size_t indexHint_ = 0;
    std::vector<NodePtr> children_;
    Node* liveprev_ = nullptr;   // the document's list of its nodes, so that it can
    Node* livenext_ = nullptr;   // detach survivors when it goes away
};

class TextNode : public Node {
public:
    const std::wstring& Data() const { return data_; }
    size_t Length() const { return data_.size(); }
    void SetData(const std::wstring& data);
    // Splits at offset; the new node after this one holds the rest. Null when offset is invalid.
    TextPtr SplitAt(size_t offset);

private:
    friend class Document;
    friend struct DocImpl;
    TextNode(Document* doc, std::wstring data) : Node(NodeType::Text, doc), data_(std::move(data)) {}
    std::wstring data_;
};

// A comment or another markup declaration, kept verbatim ("<!-- x -->", "<!checkbox />").
class CommentNode : public Node {
public:
    const std::wstring& Markup() const { return markup_; }
    std::wstring Data() const;   // the text between "<!--" and "-->" (or "<!" and ">")

private:
    friend class Document;
    friend struct DocImpl;
    CommentNode(Document* doc, NodeType type, std::wstring markup)
        : Node(type, doc), markup_(std::move(markup)) {}
    std::wstring markup_;
};

class Element : public Node {
public:
    ~Element() override;
    const std::wstring& TagName() const { return tagName_; }   // upper case
    int TagId() const { return tagId_; }
    bool Is(int tagId) const { return tagId_ == tagId; }
    bool IsVoid() const;    // has no content: IMG, BR, INPUT, HR, ...
    bool IsBlock() const;

    // Attributes; names compared without case.
    const std::vector<Attribute>& Attributes() const { return attrs_; }
    bool HasAttribute(const std::wstring& name) const;
    std::wstring GetAttribute(const std::wstring& name) const;   // empty when missing
    bool GetAttribute(const std::wstring& name, std::wstring* value) const;
    void SetAttribute(const std::wstring& name, const std::wstring& value);
    bool RemoveAttribute(const std::wstring& name);
    std::wstring Id() const { return GetAttribute(L"id"); }
    std::wstring ClassName() const { return GetAttribute(L"class"); }

    // Content as markup or text.
    bool SetInnerHtml(const std::wstring& html);
    bool SetOuterHtml(const std::wstring& html);
    void SetInnerText(const std::wstring& text);   // line feeds become BR
    bool InsertAdjacentHtml(Where where, const std::wstring& html);
    bool InsertAdjacentElement(Where where, const ElementPtr& element);
    bool InsertAdjacentText(Where where, const std::wstring& text);
    ElementPtr CloneShallow() const;   // same tag and attributes, no content

    // Inline style ("style" attribute): properties by CSS name, without case.
    std::wstring GetStyle(const std::wstring& property) const;
    void SetStyle(const std::wstring& property, const std::wstring& value);   // empty removes
    std::wstring StyleText() const { return GetAttribute(L"style"); }
    void SetStyleText(const std::wstring& css);

    // Relatives that are elements.
    Element* PreviousElementSibling() const;
    Element* NextElementSibling() const;
    Element* FirstElementChild() const;
    std::vector<ElementPtr> ChildElements() const;
    Element* Closest(int tagId);   // this or the nearest ancestor with the tag
    Element* ClosestOf(std::initializer_list<int> tagIds);
    // Descendants in document order; "*" gives all elements.
    std::vector<ElementPtr> GetElementsByTagName(const std::wstring& name) const;

    // Tables (TABLE, THEAD/TBODY/TFOOT, TR, TD/TH).
    std::vector<ElementPtr> Rows() const;    // of a table (all sections) or a section
    ElementPtr InsertRow(int index = -1);    // -1 appends; null when index is out of range
    bool DeleteRow(int index);               // -1 deletes the last row
    std::vector<ElementPtr> Cells() const;   // of a row
    ElementPtr InsertCell(int index = -1);
    bool DeleteCell(int index);
    int RowIndex() const;      // row in its table, -1 when not in one
    int CellIndex() const;     // cell in its row
    int ColSpan() const;       // at least 1
    void SetColSpan(int span);
    int RowSpan() const;
    void SetRowSpan(int span);
    Element* OwnerTable() const;   // of a row, cell or section

    // Images.
    std::wstring Src() const { return GetAttribute(L"src"); }
    void SetSrc(const std::wstring& src);
    int Width() const;    // the width attribute, else the loaded natural width, else 0
    int Height() const;
    bool IsComplete() const;
    // Called by the image loader: the data arrived (or failed) with its natural size.
    void SetImageLoaded(bool ok, int naturalWidth, int naturalHeight);
    int NaturalWidth() const { return naturalWidth_; }
    int NaturalHeight() const { return naturalHeight_; }

    // Check boxes (INPUT type=checkbox): the state is the "checked" attribute.
    bool IsChecked() const { return HasAttribute(L"checked"); }
    void SetChecked(bool checked);

    // Event handler slots, kept for the window layer.
    void SetEventHandler(const std::wstring& event, std::shared_ptr<IEventHandler> handler);
    std::shared_ptr<IEventHandler> GetEventHandler(const std::wstring& event) const;

    // The style sheet of a STYLE element (null for other elements).
    StyleSheet* Sheet();

private:
    friend class Document;
    friend struct DocImpl;
    Element(Document* doc, std::wstring tagName, int tagId);
    std::wstring tagName_;
    int tagId_;
    std::vector<Attribute> attrs_;
    // images
    bool imageRequested_ = false;
    bool imageComplete_ = true;
    int naturalWidth_ = 0, naturalHeight_ = 0;
    std::vector<std::pair<std::wstring, std::shared_ptr<IEventHandler>>> handlers_;
    std::unique_ptr<StyleSheet> sheet_;
};

class Document : public Node {
public:
    static DocumentPtr Create();   // empty HTML, HEAD and BODY
    ~Document() override;

    // Loading replaces the whole content, clears the undo history, the selection, the
    // highlights and the dirty flag; design mode is kept.
    void LoadHtml(const std::wstring& html);
    void LoadBytes(const void* data, size_t size);   // BOM decides: UTF-16LE/BE, UTF-8; else UTF-8
    void LoadStream(IByteSource& source);
    std::wstring ReadyState() const { return L"complete"; }
    const std::wstring& Url() const { return url_; }
    void SetUrl(const std::wstring& url) { url_ = url; }

    // Structure.
    Element* DocumentElement() const;   // HTML
    Element* Head() const;
    Element* Body() const;
    Element* EnsureBody();   // creates the BODY inside HTML when missing
    ElementPtr CreateElement(const std::wstring& tagName);
    // An element from a tag and raw attribute text, e.g. (TAG_A, L"href=\"x\" class=y").
    ElementPtr CreateElement(int tagId, const std::wstring& attributes);
    ElementPtr CreateElementFromMarkup(const std::wstring& tagName, const std::wstring& attributes);
    TextPtr CreateTextNode(const std::wstring& text);
    NodePtr CreateComment(const std::wstring& data);
    std::vector<ElementPtr> GetElementsByTagName(const std::wstring& name) const;
    // Nodes parsed from markup as they would be inside `context` (BODY when null), unattached.
    std::vector<NodePtr> ParseFragment(const std::wstring& html, const Element* context = nullptr);

    // Editing state.
    bool DesignMode() const { return designMode_; }
    void SetDesignMode(bool on) { designMode_ = on; }
    std::wstring DesignModeText() const { return designMode_ ? L"On" : L"Off"; }
    void SetDesignModeText(const std::wstring& value);   // "On" / "Off", any case
    bool IsDirty() const { return dirty_; }
    void ClearDirty() { dirty_ = false; }
    void SetDirty() { dirty_ = true; }

    // Change sinks: the cookie is never 0; Unregister of an unknown cookie does nothing.
    uint32_t RegisterChangeSink(IChangeSink* sink);
    void UnregisterChangeSink(uint32_t cookie);

    // Undo history. Changes between Begin and End form one named unit (units nest; the outermost
    // names it). Changes outside any unit form one unit per operation.
    void BeginUndoUnit(const std::wstring& name);
    void EndUndoUnit();
    bool CanUndo() const;
    bool CanRedo() const;
    bool Undo();
    bool Redo();
    std::wstring UndoUnitName() const;   // of the unit Undo would revert
    void ClearUndo();

    // Markup services: content between two pointers of this document.
    bool InsertElement(const ElementPtr& element, const MarkupPointer& start, const MarkupPointer& end);
    bool InsertText(const std::wstring& text, const MarkupPointer& at);
    bool InsertHtml(const std::wstring& html, const MarkupPointer& start, const MarkupPointer& end);
    bool Remove(const MarkupPointer& start, const MarkupPointer& end);
    bool RemoveElement(Element* element);   // keeps its content in place

    // Selection, find and highlights.
    Selection& GetSelection();
    std::shared_ptr<HighlightSegment> AddHighlight(const MarkupPointer& start, const MarkupPointer& end,
                                                   const struct RenderStyle& style);
    void RemoveHighlight(const std::shared_ptr<HighlightSegment>& segment);
    std::vector<std::shared_ptr<HighlightSegment>> Highlights() const;

    // Style sheets of STYLE elements in document order; LINK sheets carry only their href.
    std::vector<StyleSheet*> StyleSheets();
    StyleSheet* CreateStyleSheet();   // a new STYLE element at the end of HEAD

    // Commands (see Commands.h): query-status flags, execution, current values.
    unsigned QueryStatus(int command);
    bool Exec(int command, const struct Value& in, struct Value* out = nullptr);
    bool Exec(int command);
    struct Value QueryValue(int command);

    // Simple editing operations the window layer maps keys onto.
    bool TypeText(const std::wstring& text);   // replaces the selection, takes pending formats
    bool InsertParagraph();                    // Enter
    bool InsertLineBreak();                    // Shift+Enter
    bool DeleteBackward();                     // Backspace
    bool DeleteForward();                      // Delete

    // Platform seams.
    void SetClipboard(IClipboard* clipboard);
    IClipboard* Clipboard() const;
    void SetImageLoader(IImageLoader* loader);
    IImageLoader* ImageLoader() const;

    DocImpl& Impl() { return *impl_; }

private:
    friend class Node;
    friend class Element;
    friend struct DocImpl;
    Document();
    std::unique_ptr<DocImpl> impl_;
    std::wstring url_ = L"about:blank";
    bool designMode_ = false;
    bool dirty_ = false;
    Node* liveHead_ = nullptr;
};

// Serialisation options are fixed: upper-case tag names, attributes as stored (style and class in
// lower case), values quoted unless they are a plain token, style values always in double quotes.
std::wstring SerializeNode(const Node* node, bool outer);
std::wstring EscapeText(const std::wstring& text);

// The first maxChars characters of the inner text of the BODY that the markup parses into (a
// note's short text), parsing only as much of the markup as they need.
std::wstring PreviewText(const std::wstring& html, size_t maxChars);

} // namespace HtmlEngine
