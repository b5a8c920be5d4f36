#include "HtmlTokenizer.h"
#include "HtmlText.h"

namespace {

// States carry the number of the token that entered them; 0 is plain text.
enum {
    StateText = 0,
    StateComment = 2,
    StateAfterOpen = 4,
    StateTagName = 6,
    StateAttribute = 7,
    StateValue = 8,
    StateAfterQuote = 9,
};

void SkipBlanks(const wchar_t* text, int end, int& position)
{
    while (position < end && HtmlIsBlank(text[position]))
        ++position;
}

}  // namespace

void CHtmlTokenizer::Reset()
{
    m_state = StateText;
    m_quote = 0;
}

// The common ending of a name or value: the tag closes here or another attribute follows.
int CHtmlTokenizer::EndOfTagPart(const wchar_t* text, int end, int& position)
{
    SkipBlanks(text, end, position);
    if (position >= end)
        return -1;
    if (text[position] == L'>') {
        m_state = StateText;
        return TokenTagClose;
    }
    m_state = StateAttribute;
    return TokenAttribute;
}

int CHtmlTokenizer::NextToken(const wchar_t* text, int end, int& position)
{
    if (!text)
        return TokenEnd;
    if (position < 0)
        position = 0;
    while (position < end) {
        switch (m_state) {
        case StateText: {
            const wchar_t* lt = wmemchr(text + position, L'<', end - position);
            if (!lt) {
                position = end;
                return TokenEnd;
            }
            position = int(lt - text);
            if (position + 3 < end && text[position + 1] == L'!' && text[position + 2] == L'-' &&
                text[position + 3] == L'-') {
                m_state = StateComment;
                return TokenCommentOpen;
            }
            m_state = StateAfterOpen;
            return TokenTagOpen;
        }
        case StateComment:
            if (text[position] == L'>' && position >= 2 && text[position - 1] == L'-' &&
                text[position - 2] == L'-') {
                m_state = StateText;
                return TokenCommentClose;
            }
            ++position;
            break;
        case StateAfterOpen:
            SkipBlanks(text, end, position);
            if (position >= end)
                break;
            if (text[position] == L'>') {
                m_state = StateText;
                return TokenTagClose;
            }
            m_state = StateTagName;
            return TokenTagName;
        case StateTagName: {
            while (position < end && !HtmlIsBlank(text[position]) && text[position] != L'>')
                ++position;
            int token = EndOfTagPart(text, end, position);
            if (token >= 0)
                return token;
            break;
        }
        case StateAttribute:
            m_quote = 0;
            while (position < end && !HtmlIsBlank(text[position]) && text[position] != L'>' &&
                   text[position] != L'=')
                ++position;
            SkipBlanks(text, end, position);
            if (position >= end)
                break;
            if (text[position] == L'>') {
                m_state = StateText;
                return TokenTagClose;
            }
            if (text[position] == L'=') {
                ++position;
                SkipBlanks(text, end, position);
                if (position >= end)
                    break;
                // "a=>" has no value: the ">" still ends the tag
                if (text[position] == L'>') {
                    m_state = StateText;
                    return TokenTagClose;
                }
                if (text[position] == L'"' || text[position] == L'\'')
                    m_quote = text[position];
                m_state = StateValue;
                return TokenValue;
            }
            return TokenAttribute;  // a valueless attribute followed by another
        case StateValue:
            if (m_quote) {
                while (position < end && text[position] != m_quote)
                    ++position;
                m_state = StateAfterQuote;
                return TokenValueEnd;
            } else {
                while (position < end && !HtmlIsBlank(text[position]) && text[position] != L'>')
                    ++position;
                int token = EndOfTagPart(text, end, position);
                if (token >= 0)
                    return token;
            }
            break;
        case StateAfterQuote: {
            int token = EndOfTagPart(text, end, position);
            if (token >= 0)
                return token;
            break;
        }
        default:
            ++position;
            break;
        }
    }
    return TokenEnd;
}
