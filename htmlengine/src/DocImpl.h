// Inside of a document: the primitive changes that every operation is made of, the undo history
// they are recorded in, the markup pointers they keep in place, the selection, highlights,
// change sinks and command options. Not part of the public interface.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "htmlengine/Dom.h"
#include "htmlengine/Markup.h"
#include "htmlengine/Commands.h"

namespace HtmlEngine {

// A node reference that owns the node unless it is the document (which would own itself).
struct NodeRef {
    Node* raw = nullptr;
    NodePtr hold;
    NodeRef() = default;
    explicit NodeRef(Node* n) { Set(n); }
    void Set(Node* n) {
        raw = n;
        hold = (n && n->Type() != NodeType::Document) ? n->Self() : nullptr;
    }
    Node* get() const { return raw; }
};

// A position: inside a text node (character offset) or inside an element / the document
// (child index). The canonical form is unique for each place in the markup: text boundaries are
// written as child indices, empty text nodes are skipped to the right.
struct Pos {
    Node* node = nullptr;
    size_t off = 0;
    bool operator==(const Pos& o) const { return node == o.node && off == o.off; }
    bool operator!=(const Pos& o) const { return !(*this == o); }
};

Pos Canon(Pos p);
int ComparePos(Pos a, Pos b);   // canonical positions
bool IsContainer(const Node* n);   // may hold positions: document, element with content, text

// An element unwrapped by Op::Unwrap: where it stood among its parent's children and how many
// children it gave up.
struct UnwrappedItem {
    NodeRef element;
    size_t index = 0;
    size_t count = 0;
};

// One recorded primitive change.
struct Op {
    enum Kind { Insert, Detach, Move, MoveRange, Splice, Split, Merge, SetAttr, Unwrap, InsertRange, DetachRange } kind;
    NodeRef node;       // the node inserted / removed / moved; the text node split or spliced
    NodeRef parent;     // Insert/Detach: parent; Move: new parent
    size_t index = 0;   // Insert/Detach: child index; Move: new index; Split/Merge/Splice: offset
    NodeRef oldParent;  // Move
    size_t oldIndex = 0;
    NodeRef other;      // Split/Merge: the second text node
    std::wstring removed, inserted;   // Splice
    std::wstring name;                // SetAttr
    bool hadOld = false, hasNew = false;
    std::wstring oldValue, newValue;
    size_t attrIndex = 0;             // SetAttr: where the attribute was / goes
    size_t count = 0;                 // MoveRange: children moved from oldParent/oldIndex to parent/index
    std::vector<UnwrappedItem> unwrapped;   // Unwrap: the elements of `parent`, in child order
    std::vector<NodeRef> nodes;             // InsertRange / DetachRange: the nodes at parent/index
};

struct SavedPos {
    bool valid = false;
    std::vector<uint32_t> path;   // child indices from the document
    size_t off = 0;
};

struct SavedSelection {
    SelectionType type = SelectionType::None;
    SavedPos start, end;
    std::vector<SavedPos> controls;
};

struct UndoUnit {
    std::wstring name;
    std::vector<Op> ops;
    SavedSelection before, after;
    bool typing = false;
};

// Told of every primitive change as it happens (the layout keeps its boxes in step with the
// tree), of a load emptying the document, and of selection and highlight changes (a window
// repaints). Observers never change the document from these calls.
struct IDocObserver {
    virtual ~IDocObserver() = default;
    virtual void NodeChanged(Node* node) = 0;   // its content, children or attributes changed
    virtual void ContentReset() = 0;
    virtual void SelectionChanged() = 0;        // also highlights
};

// A format waiting for the next typed text (a command on a caret).
struct PendingFormat {
    int command;
    Value value;
};

struct DocImpl {
    explicit DocImpl(Document* d);
    ~DocImpl();
    void Attach();   // once Document::Impl() answers

    Document* doc;

    // --- node creation (nothing recorded) ---
    ElementPtr NewElement(const std::wstring& name);
    ElementPtr NewElement(int tagId);
    TextPtr NewText(std::wstring data);
    NodePtr NewComment(std::wstring markup, NodeType type = NodeType::Comment);
    static void RawAppend(Node* parent, const NodePtr& child);
    static NodePtr RawDetach(Node* node);
    static void RawInsert(Node* parent, size_t index, const NodePtr& child);
    static std::vector<Attribute>& AttrsOf(Element* e) { return e->attrs_; }
    static std::wstring& DataOf(TextNode* t) { return t->data_; }

    // --- primitive changes: recorded for undo, pointers kept, change noted ---
    void InsertNode(Node* parent, size_t index, const NodePtr& node);
    // Inserts unattached nodes side by side at index in one step, however many there are.
    void InsertNodes(Node* parent, size_t index, const std::vector<NodePtr>& nodes);
    void RemoveRange(Node* parent, size_t index, size_t count);   // the inverse of InsertNodes
    // Detaches count children of parent from index in one step.
    void DetachChildren(Node* parent, size_t index, size_t count);
    NodePtr DetachNode(Node* node);
    void MoveNode(Node* node, Node* newParent, size_t newIndex);
    // Moves children [begin, end) of `from` to `to` at `index` (counted after their removal) in
    // one step: linear in the number of children, where moving them one by one is quadratic.
    // Pointers end where moving the children one by one would leave them.
    void MoveChildren(Node* from, size_t begin, size_t end, Node* to, size_t index);
    // Unwraps children of `parent` (elements of it, any order) in one pass over its children:
    // each one's content takes its place. Pointers before or after an element stay before or
    // after its content; pointers inside it keep their place in the content.
    void UnwrapChildren(Node* parent, const std::vector<Element*>& elements);
    void RewrapChildren(const Op& op);   // the inverse of an Unwrap
    void SpliceText(TextNode* text, size_t off, size_t del, const std::wstring& ins);
    TextPtr SplitText(TextNode* text, size_t off);
    void MergeText(TextNode* text, TextNode* next);
    void SetAttr(Element* element, const std::wstring& name, const std::wstring* value);
    void RequestImages(Node* root);   // asks the image loader for IMG sources not yet asked for

    // --- what reads back: an operation that would make markup the parser reads differently
    // (elements nested deeper than it reads them, anything but text in a raw-text element,
    // table parts out of place, an element whose start tag closes one around it) is taken
    // back whole when it ends; the document stays as it was ---
    void CheckPlacement(Node* parent, Node* node);   // node (about to be) placed in parent
    bool unreadable = false;   // the operation in progress made such markup
    bool refused = false;      // the last operation was taken back
    size_t opStart = 0;        // its first step in `current`

    // --- operations and undo ---
    void BeginBatch();
    void EndBatch();
    struct Batch {
        DocImpl& d;
        explicit Batch(DocImpl& impl) : d(impl) { d.BeginBatch(); }
        ~Batch() { d.EndBatch(); }
    };
    void BeginUnit(const std::wstring& name);
    void EndUnit();
    bool Undo();
    bool Redo();
    void ClearHistory();
    void Record(Op&& op);
    void ApplyInverse(const Op& op);
    void ApplyForward(const Op& op);
    void ResplitText(const Op& op);   // undoes a merge / redoes a split with the same node
    void FinishUnit(UndoUnit&& unit);
    // A change was made: dirty and notice at the end of the operation. sheets: it may have
    // changed which elements hold style sheets or what they say.
    void Changed(bool sheets = true);
    // Text typed outside STYLE and attributes of elements other than STYLE and LINK leave the
    // style sheets as they are.
    static bool KeepsSheets(const Op& op);
    // The list of style sheets (a walk of the whole document, which every computed style asks
    // for), kept until a change that may touch them: typing does not walk a long note again.
    bool sheetsKnown = false;
    std::vector<StyleSheet*> sheets;
    void NotifySinks();

    int batchDepth = 0;
    int unitDepth = 0;
    bool unitOpen = false;        // `current` collects changes
    bool replaying = false;       // undo/redo in progress: nothing recorded
    bool changedInOperation = false;
    bool notifying = false;
    bool typingChain = false;     // the last unit was typing that the next typing may extend
    UndoUnit current;
    std::vector<UndoUnit> undoStack, redoStack;
    static constexpr size_t kMaxUndo = 1000;   // steps kept; the oldest go first

    // --- pointers ---
    std::vector<MarkupPointer*> pointers;
    void Place(MarkupPointer& p, Pos pos) const;   // canonical
    static Pos PosOf(const MarkupPointer& p) { return Pos{p.container_, p.offset_}; }
    void Recanonicalize();

    SavedPos Save(Pos p) const;
    bool Restore(const SavedPos& s, Pos* p) const;
    SavedSelection SaveSelection() const;
    void RestoreSelection(const SavedSelection& s);

    // --- selection ---
    Selection selection;
    SelectionType selType = SelectionType::None;
    MarkupPointer selStart, selEnd;
    std::vector<ElementPtr> selControls;
    void SetSelection(Pos start, Pos end);   // text selection (ordered here)
    // A selection set by the operation in progress (typing placing its caret) is the operation's
    // own; only a selection made between operations ends the typing chain and pending formats.
    void SelectionChanged() {
        for (IDocObserver* o : observers) o->SelectionChanged();
        if (unitOpen) return;
        typingChain = false;
        pending.clear();
    }

    // --- highlights, sinks, options, seams ---
    std::vector<std::shared_ptr<HighlightSegment>> highlights;
    std::vector<std::pair<uint32_t, IChangeSink*>> sinks;
    uint32_t nextCookie = 1;
    bool autoUrlDetect = false, disableEditFocusUi = false, keepSelection = false, overrideCursor = false;
    std::vector<PendingFormat> pending;
    IClipboard* clipboard = nullptr;
    IImageLoader* imageLoader = nullptr;

    // --- observers ---
    std::vector<IDocObserver*> observers;
    void Touched(Node* node) {
        if (node)
            for (IDocObserver* o : observers) o->NodeChanged(node);
    }
    void AddObserver(IDocObserver* o) { observers.push_back(o); }
    void RemoveObserver(IDocObserver* o) {
        for (size_t i = 0; i < observers.size(); ++i)
            if (observers[i] == o) { observers.erase(observers.begin() + long(i)); return; }
    }

    // --- whole-document ---
    void ResetContent();   // empties the document, history, selection, highlights
};

} // namespace HtmlEngine
