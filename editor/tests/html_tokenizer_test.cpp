#include "HtmlTokenizer.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Stop {
    int token;
    int position;
};

// Walks the whole text the way converters do: step one past every token.
std::vector<Stop> Walk(const wchar_t* text)
{
    CHtmlTokenizer tokenizer;
    tokenizer.Reset();
    int end = int(wcslen(text)), position = 0;
    std::vector<Stop> stops;
    while (position < end) {
        int token = tokenizer.NextToken(text, end, position);
        stops.push_back({token, position});
        if (token == CHtmlTokenizer::TokenEnd)
            break;
        ++position;
    }
    if (stops.empty() || stops.back().token != CHtmlTokenizer::TokenEnd)
        stops.push_back({tokenizer.NextToken(text, end, position), position});
    return stops;
}

std::vector<int> Tokens(const wchar_t* text)
{
    std::vector<int> tokens;
    for (const Stop& s : Walk(text))
        tokens.push_back(s.token);
    return tokens;
}

struct TokenCase {
    const wchar_t* html;
    std::vector<int> tokens;
};

TEST(HtmlTokenizer, TokenSequences)
{
    const TokenCase cases[] = {
        // a ">" inside a quoted value does not end the tag; the end tag's name is "/a"
        {L"<a href=\"x>y\">t</a>", {4, 6, 7, 8, 9, 5, 4, 6, 5, 0}},
        {L"<img src='a' alt=b>", {4, 6, 7, 8, 9, 7, 8, 5, 0}},
        {L"<!-- a > b -->x", {1, 3, 0}},
        {L"<!-->x", {1, 3, 0}},
        {L"<!DOCTYPE html><p>", {4, 6, 7, 5, 4, 6, 5, 0}},
        {L"<!checkbox checked />", {4, 6, 7, 7, 5, 0}},
        {L"<![endif]>", {4, 6, 5, 0}},
        // entities are plain text, with or without their semicolon
        {L"a &amp; b &nbsp c&nbsp;d", {0}},
        {L"<br/>", {4, 6, 5, 0}},
        {L"a<>b", {4, 5, 0}},
        // "=" straight before ">" has no value; the ">" still ends the tag
        {L"<p a=>x<b>", {4, 6, 7, 5, 4, 6, 5, 0}},
        {L"<p a = \"v\" b>", {4, 6, 7, 8, 9, 7, 5, 0}},
        // a value that never closes runs to the end
        {L"<a href=\"xyz", {4, 6, 7, 8, 9, 0}},
        {L"<a", {4, 6, 0}},
        {L"", {0}},
    };
    for (const TokenCase& c : cases)
        EXPECT_EQ(c.tokens, Tokens(c.html)) << "input: " << std::wstring(c.html).size() << " chars";
}

TEST(HtmlTokenizer, PositionsAndQuote)
{
    const wchar_t* text = L"x<a href=\"u>v\" id='q'>t</a>";
    CHtmlTokenizer tokenizer;
    int end = int(wcslen(text)), position = 0;
    const Stop expected[] = {{4, 1}, {6, 2}, {7, 4}, {8, 9}, {9, 13}, {7, 15}, {8, 18}, {9, 20}, {5, 21}};
    for (const Stop& e : expected) {
        int token = tokenizer.NextToken(text, end, position);
        EXPECT_EQ(e.token, token);
        EXPECT_EQ(e.position, position);
        if (token == CHtmlTokenizer::TokenValue || token == CHtmlTokenizer::TokenValueEnd) {
            EXPECT_EQ(text[position], tokenizer.GetQuote());
        }
        ++position;
    }
}

TEST(HtmlTokenizer, UnterminatedValueEndsAtEnd)
{
    const wchar_t* text = L"<a b=\"c";
    CHtmlTokenizer tokenizer;
    int end = int(wcslen(text)), position = 0;
    int token;
    do {
        token = tokenizer.NextToken(text, end, position);
        if (token == CHtmlTokenizer::TokenValueEnd) {
            EXPECT_EQ(end, position);
        }
        ++position;
    } while (token != CHtmlTokenizer::TokenEnd && position < end + 2);
    EXPECT_EQ(CHtmlTokenizer::TokenEnd, tokenizer.NextToken(text, end, position));
}

TEST(HtmlTokenizer, ResetAndNullText)
{
    CHtmlTokenizer tokenizer;
    int position = 0;
    EXPECT_EQ(CHtmlTokenizer::TokenEnd, tokenizer.NextToken(nullptr, 5, position));
    const wchar_t* text = L"<!-- open";
    int end = int(wcslen(text));
    EXPECT_EQ(CHtmlTokenizer::TokenCommentOpen, tokenizer.NextToken(text, end, position));
    EXPECT_EQ(2, tokenizer.GetState());
    tokenizer.Reset();
    EXPECT_EQ(0, tokenizer.GetState());
    EXPECT_EQ(0, tokenizer.GetQuote());
    // a negative start is read from the beginning
    position = -3;
    EXPECT_EQ(CHtmlTokenizer::TokenCommentOpen, tokenizer.NextToken(text, end, position));
    EXPECT_EQ(0, position);
}

}  // namespace
