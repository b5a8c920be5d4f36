// Walking positions item by item, and the text between two positions.
#pragma once
#include <string>
#include <vector>
#include "DocImpl.h"

namespace HtmlEngine {

// One step over the item right (left) of p; p must be canonical. maxChars limits a text step
// (0: the whole text node). Returns what was passed; p is moved only when move is set.
Context StepRight(Pos& p, bool move, Node** node, size_t maxChars, std::wstring* text);
Context StepLeft(Pos& p, bool move, Node** node, size_t maxChars, std::wstring* text);

// The characters between a and b with their places; separators (U+FFFC) stand for block
// boundaries, line breaks and objects, and never match text.
struct TextStream {
    std::wstring chars;
    std::vector<TextNode*> node;   // null for separators
    std::vector<size_t> offset;
};
void BuildTextStream(Pos a, Pos b, TextStream& out);
// Reads the stream between a and b item by item, so that a search stops where it finds.
class TextStreamReader {
public:
    TextStreamReader(Pos a, Pos b, TextStream& out);
    bool Next();   // appends the next item's characters; false at b
    bool Done() const { return done_; }

private:
    Pos p_, b_;
    TextStream& out_;
    std::wstring chunk_;
    bool done_ = false;
};
// Finds text in the stream from index `from`; returns the index or npos. Unless the stream is
// complete, only matches whose following character is already read are taken (whole words
// need it); *next receives where a later search of the grown stream goes on.
size_t FindInStream(const TextStream& s, const std::wstring& text, unsigned flags, size_t from,
                    bool complete = true, size_t* next = nullptr);
// Plain characters between a and b (text nodes only); with breaks, "\r\n" for block boundaries.
std::wstring TextBetween(Pos a, Pos b, bool breaks);
// Markup of the content between a and b (partly covered elements written around their part).
std::wstring HtmlBetween(Pos a, Pos b);
// The common ancestor element-or-document containing both positions.
Node* CommonContainer(Pos a, Pos b);
Pos DocEnd(Document* doc);
Pos DocStart(Document* doc);

} // namespace HtmlEngine
