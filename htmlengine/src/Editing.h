// Editing building blocks shared by the markup services, the text range, the typing keys and
// the commands. All of them run inside the caller's operation (batch / undo unit).
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "DocImpl.h"

namespace HtmlEngine {

// A live position for the length of an operation (a registered markup pointer).
class LivePos {
public:
    LivePos(Document* doc, Pos p, Gravity g = Gravity::Left) : ptr_(doc) {
        ptr_.SetGravity(g);
        doc->Impl().Place(ptr_, p);
    }
    Pos get() const { return Canon(DocImpl::PosOf(ptr_)); }
    void set(Pos p) { ptr_.GetDocument()->Impl().Place(ptr_, p); }
    MarkupPointer& pointer() { return ptr_; }

private:
    MarkupPointer ptr_;
};

// Element-level position at p: a text node around it is split. Returns (parent, index).
Pos SplitTextAt(DocImpl& d, Pos p);
// Inserts text at p (into a neighbouring text node when there is one); returns the position
// after the text.
Pos InsertTextAt(DocImpl& d, Pos p, const std::wstring& text);
// Inserts nodes at p; returns the position after the last one.
Pos InsertNodesAt(DocImpl& d, Pos p, std::vector<NodePtr>& nodes);
// Removes what lies between a and b; elements only partly inside keep their other part.
void DeleteContents(DocImpl& d, Pos a, Pos b);
// The same, then joins the block the range started in with the block it ended in (typing over
// a selection, cut, paste). Returns the caret position.
Pos DeleteForEditing(DocImpl& d, Pos a, Pos b);
// Splits element el at p (a position inside it): el keeps what lies before, a shallow copy
// inserted after el takes the rest (elements between p and el are split likewise).
Element* SplitElementAt(DocImpl& d, Element* el, Pos p);
// The nearest block element containing p (BODY, TD and the like included); null outside body.
Element* BlockOf(Pos p);
// Runs of sibling nodes that lie wholly in [a, b], without blocks (blocks are entered) and
// without runs of white space only.
std::vector<std::vector<Node*>> InlineRuns(Pos a, Pos b);
// Wraps each inline run between a and b in a copy of the element (the first run in el itself).
// Returns the wrappers; none when the range holds no content.
std::vector<Element*> WrapRuns(DocImpl& d, const ElementPtr& el, Pos a, Pos b);
// Puts w (unattached) where the run begins and moves the run into it.
void WrapRun(DocImpl& d, const ElementPtr& w, const std::vector<Node*>& run);
// Removes an element and keeps its content in its place.
void UnwrapElement(DocImpl& d, Element* el);
// The same for many elements at once, nested or not: one pass over each parent's children,
// so that unwrapping thousands of siblings stays linear.
void UnwrapAll(DocImpl& d, const std::vector<Element*>& elements);
// A position moved into the body when it lies outside it.
Pos EditablePos(Document* doc, Pos p);
// First position inside inline elements at the start of a block (the caret's place).
Pos DescendToStart(Pos p);

bool ReplaceRangeWithText(Document& doc, MarkupPointer& start, MarkupPointer& end, const std::wstring& text);
bool ReplaceRangeWithHtml(Document& doc, MarkupPointer& start, MarkupPointer& end, const std::wstring& html);

// Paragraphs touched by [a, b] (the caret's paragraph when collapsed), in order. Inline content
// that stands directly in a container (BODY, a table cell, a list item's parent, ...) is first
// wrapped in a DIV so that every paragraph is an element.
std::vector<Element*> Paragraphs(DocImpl& d, Pos a, Pos b);

} // namespace HtmlEngine
