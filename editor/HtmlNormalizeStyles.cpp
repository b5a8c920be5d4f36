#include "HtmlNormalizeStyles.h"
#include "HtmlNode.h"
#include "HtmlText.h"
#include "ByteBuffer.h"
#include <vector>

namespace {

enum : UINT { TagDiv = 30, TagP = 73, TagH1 = 41, TagH6 = 46, TagFooter = 10001 };

const wchar_t* const kNames[] = {L"P", L"DIV", L"FOOTER", L"H1", L"H2", L"H3", L"H4", L"H5", L"H6", nullptr};
const UINT kIds[] = {TagP, TagDiv, TagFooter, 41, 42, 43, 44, 45, 46, 0};

const wchar_t* const kHeadingSizes[] = {L"32px", L"24px", L"18px", L"16px", L"13px", L"10px"};

// Block spacing comes from the editor's own empty lines, not from pasted margins.
const wchar_t* const kDroppedSpacing[] = {L"margin", L"margin-bottom", L"margin-top",
                                          L"padding", L"padding-top", L"padding-bottom"};

CHtmlNode* NewDiv(bool closing)
{
    CHtmlNode* node = new CHtmlNode(CHtmlNode::NodeElement);
    node->m_tag = L"DIV";
    node->m_tagId = TagDiv;
    node->m_closing = closing;
    return node;
}

bool IsBlankText(const CString& text)
{
    for (int i = 0; i < text.GetLength(); ++i)
        if (!HtmlIsBlank(text[i]))
            return false;
    return true;
}

// Whether a node outside every DIV is content that needs a block of its own.
bool IsLooseContent(const CHtmlNode& node)
{
    if (node.m_kind == CHtmlNode::NodeText)
        return !IsBlankText(node.m_text);  // line breaks between blocks are not content
    if (node.m_kind == CHtmlNode::NodeElement)
        return !node.m_tag.IsEmpty();      // a removed tag writes nothing
    return true;
}

class CNormalizer {
public:
    explicit CNormalizer(int options) : m_options(options) {}

    // Rewrites the node list of `root`. The list is rebuilt rather than inserted into, so a
    // note of many paragraphs costs time in proportion to its length.
    void Run(CHtmlNode& root)
    {
        std::vector<CHtmlNode*> input;
        input.swap(root.m_children);
        m_out.reserve(input.size() + input.size() / 4 + 2);
        for (CHtmlNode* node : input)
            Visit(node);
        if (m_wrap) {
            m_out.insert(m_out.begin(), NewDiv(false));
            m_out.push_back(NewDiv(true));
        }
        root.m_children.swap(m_out);
    }

private:
    void Visit(CHtmlNode* node);

    int m_options;
    int m_depth = 0;
    bool m_wrap = false;
    std::vector<CHtmlNode*> m_out;
};

void CNormalizer::Visit(CHtmlNode* pnode)
{
    CHtmlNode& node = *pnode;
    m_out.push_back(pnode);
    bool emptyLine = false;
    if (node.m_kind == CHtmlNode::NodeElement) {
        if (node.m_tagId == 0)
            node.LookupTagId(kNames, kIds);
        UINT id = node.m_tagId;
        CHtmlAttributeMap style;
        bool styleRead = false, styleChanged = false;

        if (id >= TagH1 && id <= TagH6) {
            // an end tag carries no attributes
            if (!node.m_closing) {
                node.GetStyleMap(style);
                styleRead = true;
                style.SetAt(L"font-size", kHeadingSizes[id - TagH1]);
                style.SetAt(L"font-weight", L"bold");
                styleChanged = true;
            }
            node.m_tag = L"DIV";
            node.m_tagId = TagDiv;
        } else if (id == TagFooter) {
            node.m_tag = L"DIV";
            node.m_tagId = TagDiv;
        } else if (id == TagP) {
            node.m_tag = L"DIV";
            node.m_tagId = TagDiv;
            emptyLine = node.m_closing || node.m_selfClosing;
        } else if (node.m_tag == L"o:p") {
            node.m_tag.Empty();
            node.m_tagId = 0;
        }

        if (node.m_tagId == TagDiv && !node.m_closing) {
            if (!styleRead)
                node.GetStyleMap(style);
            for (const wchar_t* name : kDroppedSpacing)
                if (style.RemoveKey(name))
                    styleChanged = true;
            // untouched styles keep their own text; a rewritten one leaves no blank at the
            // ends, so the text reads back the same on the next pass
            if (styleChanged) {
                node.SetStyleMap(style);
                HtmlTrimBlanks(node.m_attributes);
            }
        }

        if (node.m_tagId == TagDiv && !node.m_selfClosing) {
            if (!node.m_closing) {
                ++m_depth;
            } else if (m_depth > 0) {
                --m_depth;
            } else {
                // An end tag that closes nothing: browsers ignore it, and kept it would let the
                // content after it count as loose again on every later pass.
                node.m_tag.Empty();
                node.m_tagId = 0;
            }
        } else if (m_depth == 0 && !(m_options & HtmlNormalizeNoWrap) && IsLooseContent(node)) {
            m_wrap = true;
        }
    } else if (m_depth == 0 && !(m_options & HtmlNormalizeNoWrap) && IsLooseContent(node)) {
        m_wrap = true;
    }

    if (emptyLine) {
        // an empty line after the paragraph; its nodes are visited like any other
        CHtmlNode* text = new CHtmlNode(CHtmlNode::NodeText);
        text->m_text = L"&nbsp;";
        Visit(NewDiv(false));
        Visit(text);
        Visit(NewDiv(true));
    }
}

}  // namespace

bool HtmlNormalizeStyles(const wchar_t* html, CString& out, int options)
{
    if (!html)
        return false;
    CHtmlNode root(CHtmlNode::NodeText);
    if (!root.Parse(html, false))
        return false;
    CNormalizer(options).Run(root);
    root.ToHtml(out);
    return true;
}

bool HtmlNormalizeStyles(const wchar_t* html, CByteBuffer* out, int options)
{
    if (!html || !out)
        return false;
    CHtmlNode root(CHtmlNode::NodeText);
    if (!root.Parse(html, false))
        return false;
    CNormalizer(options).Run(root);
    return root.WriteHtml(*out);
}
