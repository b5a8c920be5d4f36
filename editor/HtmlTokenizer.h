// A resumable lexer over wide HTML held in memory. It stops at each comment, tag, tag name,
// attribute and attribute value so that a converter can copy the text between stops and rewrite
// single spots (check boxes, attachment links, image sources). It never allocates.
#pragma once
#include "Framework.h"

class CHtmlTokenizer {
public:
    enum Token {
        TokenEnd = 0,           // position reached the end
        TokenCommentOpen = 1,   // at the "<" of "<!--"
        TokenCommentClose = 3,  // at the ">" of "-->"
        TokenTagOpen = 4,       // at the "<" of a tag (also of "<!DOCTYPE" or "<!checkbox />")
        TokenTagClose = 5,      // at the ">" that ends the tag
        TokenTagName = 6,       // at the first character of the name ("/" of an end tag included)
        TokenAttribute = 7,     // at the first character of an attribute name
        TokenValue = 8,         // at the opening quote, or the first character of an unquoted value
        TokenValueEnd = 9,      // at the closing quote (at `end` when the quote is never closed)
    };

    CHtmlTokenizer() = default;
    virtual ~CHtmlTokenizer() = default;

    // Callers reset before each new buffer.
    void Reset();

    // Moves `position` to the next token in text[position, end) and returns its kind. After any
    // token other than TokenEnd the caller steps one character past it before calling again.
    int NextToken(const wchar_t* text, int end, int& position);

    // Quote character of the attribute value being read; 0 when it is unquoted.
    wchar_t GetQuote() const { return m_quote; }
    int GetState() const { return m_state; }

private:
    int EndOfTagPart(const wchar_t* text, int end, int& position);

    int m_state = 0;
    wchar_t m_quote = 0;
};
