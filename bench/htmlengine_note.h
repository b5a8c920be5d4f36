// The 1 MB note of the engine's benchmarks, shared by the parse and layout benchmarks: DIV
// paragraphs with inline formats, links, check boxes, lists and now and then a table.
#pragma once
#include <string>

// A note as the editor writes it: DIV paragraphs with inline formats, links, check boxes, lists
// and now and then a table.
inline std::wstring MakeNote(size_t chars) {
    std::wstring out = L"<HTML><HEAD><STYLE type=text/css>\nIMG {\nborder: none;\nmax-width: 600px;\n}\n</STYLE>"
                       L"</HEAD><BODY style=\"font-size:13px; font-family:'Arial'; \">";
    unsigned n = 0;
    while (out.size() < chars) {
        ++n;
        switch (n % 6) {
        case 0:
            out += L"<DIV><SPAN contentEditable=false><INPUT type=checkbox" + std::wstring(n % 12 ? L"" : L" checked") +
                   L"></SPAN>task number " + std::to_wstring(n) + L" to do&nbsp;soon</DIV>";
            break;
        case 1:
            out += L"<DIV>Paragraph " + std::to_wstring(n) + L" with <STRONG>bold</STRONG>, <EM>italic</EM> and "
                   L"<FONT style=\"font-size: 18px\" color=#ff0000>coloured</FONT> words in a longer sentence.</DIV>";
            break;
        case 2:
            out += L"<UL><LI>first item</LI><LI>second <A href=\"http://example.org/" + std::to_wstring(n) +
                   L"\">link</A></LI></UL>";
            break;
        case 3:
            out += L"<DIV align=center style=\"line-height: 1.5\">Centred text &amp; symbols &lt;here&gt;</DIV>";
            break;
        case 4:
            if (n % 24 == 4)
                out += L"<TABLE width=550px border=1 cellpadding=3><TBODY><TR><TD><DIV>a</DIV></TD><TD><DIV>b</DIV></TD>"
                       L"</TR><TR><TD><DIV>c</DIV></TD><TD><DIV>d</DIV></TD></TR></TBODY></TABLE>";
            else
                out += L"<DIV>&nbsp;</DIV>";
            break;
        default:
            out += L"<DIV>Plain text line " + std::to_wstring(n) + L" without any formatting at all.</DIV>";
        }
    }
    return out;
}

template <class F>
double MedianMs(F&& run) {
    std::vector<double> t;
    for (int i = 0; i < 3; ++i) t.push_back(run());
    std::sort(t.begin(), t.end());
    return t[1];
}
