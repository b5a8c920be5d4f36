#include "HtmlClearFormatting.h"
#include "HtmlNode.h"
#include "HtmlText.h"
#include <vector>

namespace {

// Element ids of the HTML engine; PATH and SVG have ids of our own.
enum : UINT {
    TagA = 2, TagB = 7, TagButton = 17, TagCode = 21, TagDiv = 30, TagFont = 36, TagForm = 37,
    TagH1 = 41, TagH2, TagH3, TagH4, TagH5, TagH6, TagI = 50, TagImg = 52, TagInput = 53,
    TagLabel = 56, TagLi = 58, TagOl = 71, TagP = 73, TagSpan = 86, TagStrike = 87,
    TagStrong = 88, TagTable = 92, TagTd = 95, TagTextarea = 96, TagTr = 101, TagU = 103,
    TagUl = 104, TagPath = 10001, TagSvg = 10002,
};

// Removed: the tag goes, its content stays. Lists go whole, numbered or not.
const wchar_t* const kRemovedNames[] = {L"FONT", L"B", L"I", L"U", L"STRONG", L"LI", L"UL", L"OL",
                                        L"STRIKE", L"FORM", L"PATH", L"SVG", nullptr};
const UINT kRemovedIds[] = {TagFont, TagB, TagI, TagU, TagStrong, TagLi, TagUl, TagOl,
                            TagStrike, TagForm, TagPath, TagSvg, 0};

// Made DIV: blocks and form controls that hold text. INPUT is not here: it has no end tag, so as
// a DIV it would open a block that never closes.
const wchar_t* const kMadeDivNames[] = {L"H1", L"H2", L"H3", L"H4", L"H5", L"H6", L"P",
                                        L"CODE", L"LABEL", L"TEXTAREA", L"BUTTON", nullptr};
const UINT kMadeDivIds[] = {TagH1, TagH2, TagH3, TagH4, TagH5, TagH6, TagP,
                            TagCode, TagLabel, TagTextarea, TagButton, 0};

const wchar_t* const kKeptNames[] = {L"DIV", L"SPAN", L"A", L"TABLE", L"TR", L"TD", nullptr};
const UINT kKeptIds[] = {TagDiv, TagSpan, TagA, TagTable, TagTr, TagTd, 0};

const wchar_t* const kImageNames[] = {L"IMG", nullptr};
const UINT kImageIds[] = {TagImg, 0};

const wchar_t* const kInputNames[] = {L"INPUT", nullptr};
const UINT kInputIds[] = {TagInput, 0};

bool InTable(UINT id, const UINT* ids)
{
    for (; *ids; ++ids)
        if (*ids == id)
            return true;
    return false;
}

void DropStyleAndClass(CHtmlNode& node)
{
    node.RemoveAttribute(L"style");
    node.RemoveAttribute(L"class");
}

// A to-do box of the editor is an INPUT of type checkbox; it stays with its checked state.
bool IsCheckBox(const CHtmlNode& node)
{
    CHtmlAttributeMap attributes;
    HtmlParseAttributes(node.m_attributes, attributes);
    for (int i = 0; i < attributes.GetCount(); ++i) {
        if (HtmlCompareNoCase(attributes.GetKeyAt(i), L"type") != 0)
            continue;
        CString type = attributes.GetValueAt(i);
        type.Trim(L"\"'");
        return HtmlCompareNoCase(type, L"checkbox") == 0;
    }
    return false;
}

CHtmlNode* NewDivTag(bool closing)
{
    CHtmlNode* node = new CHtmlNode(CHtmlNode::NodeElement);
    node->m_tag = L"DIV";
    node->m_tagId = TagDiv;
    node->m_closing = closing;
    return node;
}

}  // namespace

void HtmlClearFormatting(CString& html, int options)
{
    CHtmlNode root(CHtmlNode::NodeText);
    root.Parse(html.GetString(), html.GetLength(), false);

    // The list is rebuilt rather than inserted into, so many paragraphs cost linear time.
    std::vector<CHtmlNode*> nodes;
    nodes.swap(root.m_children);
    root.m_children.reserve(nodes.size() + nodes.size() / 8 + 1);
    for (CHtmlNode* pnode : nodes) {
        root.m_children.push_back(pnode);
        CHtmlNode& node = *pnode;
        if (node.m_kind != CHtmlNode::NodeElement)
            continue;
        if (node.m_tagId == 0) {
            node.LookupTagId(kRemovedNames, kRemovedIds);
            if (node.m_tagId == 0)
                node.LookupTagId(kMadeDivNames, kMadeDivIds);
            if (node.m_tagId == 0)
                node.LookupTagId(kKeptNames, kKeptIds);
            if (node.m_tagId == 0)
                node.LookupTagId(kImageNames, kImageIds);
            if (node.m_tagId == 0)
                node.LookupTagId(kInputNames, kInputIds);
        }
        UINT id = node.m_tagId;

        if (InTable(id, kRemovedIds)) {
            node.m_tag.Empty();
            node.m_tagId = 0;
            continue;
        }
        if (id == TagInput) {
            // other form fields have nothing to keep once their formatting is gone
            if (!IsCheckBox(node)) {
                node.m_tag.Empty();
                node.m_tagId = 0;
            }
            continue;
        }
        if (InTable(id, kMadeDivIds)) {
            node.m_tag = L"DIV";
            node.m_tagId = TagDiv;
            DropStyleAndClass(node);
            // HTML ignores the "/" of "<DIV/>" and keeps the DIV open, so every later paragraph
            // would nest one level deeper: an empty block is written with its end tag
            bool empty = node.m_selfClosing && !node.m_closing;
            if (empty) {
                node.m_selfClosing = false;
                root.m_children.push_back(NewDivTag(true));
            }
            if (id == TagP && (node.m_closing || empty)) {
                // an empty block after the paragraph, left as it is
                root.m_children.push_back(NewDivTag(false));
                root.m_children.push_back(NewDivTag(true));
            }
            id = TagDiv;
        }
        if (InTable(id, kKeptIds))
            DropStyleAndClass(node);
        if ((options & HtmlClearLinks) && id == TagA) {
            node.m_tag = L"SPAN";
            node.m_tagId = TagSpan;
            node.RemoveAttribute(L"href");
        }
        if ((options & HtmlClearImages) && id == TagImg) {
            node.m_tag.Empty();
            node.m_tagId = 0;
        }
    }

    html.Empty();
    root.ToHtml(html);
}
