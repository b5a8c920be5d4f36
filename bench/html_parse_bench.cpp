// Throughput of the HTML node list on a 5 MB note: parse + serialise (and the two rewriting
// passes), printed beside a plain byte scan of the same buffer in the same run, so the figures
// can be compared across machines. Run by hand: bench_html_parse.exe [megabytes]
#include "HtmlClearFormatting.h"
#include "HtmlNode.h"
#include "HtmlNormalizeStyles.h"
#include "bench_clock.h"
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A note shaped like the ones the editor and the importers produce.
std::wstring MakeNote(size_t bytes)
{
    const wchar_t* const pieces[] = {
        L"<DIV style=\"margin-left: 10px; color: #333\">Some text with&nbsp;entities, <B>bold</B> and "
        L"<I>italic</I> words.</DIV>\r\n",
        L"<P class=MsoNormal style='margin: 0; font-family: \"Calibri\"'>An Office paragraph<o:p></o:p></P>\r\n",
        L"<DIV><SPAN contentEditable=false><INPUT type=checkbox checked /></SPAN>a task</DIV>\r\n",
        L"<DIV><IMG src=\"#attacheloc:0123456789abcdef#\" width=320 height=200></DIV>\r\n",
        L"<!-- remark --><H2>A heading</H2>\r\n",
        L"<DIV><A href=\"http://example.com/?a=1&amp;b=2\" title='x>y'>a link</A> \x0442\x0435\x043A\x0441\x0442</DIV>\r\n",
        L"<TABLE><TR><TD class=c>cell</TD><TD>cell</TD></TR></TABLE>\r\n",
    };
    std::wstring note;
    size_t chars = bytes / sizeof(wchar_t);
    note.reserve(chars + 256);
    for (size_t i = 0; note.size() < chars; ++i)
        note += pieces[i % _countof(pieces)];
    note.resize(chars);
    return note;
}

template <typename F>
double Best(int runs, F&& work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        double start = Seconds();
        work();
        double t = Seconds() - start;
        if (t < best)
            best = t;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv)
{
    double megabytes = argc > 1 ? atof(argv[1]) : 5.0;
    if (megabytes <= 0)
        megabytes = 5.0;
    std::wstring note = MakeNote(size_t(megabytes * 1024 * 1024));
    const double mb = double(note.size() * sizeof(wchar_t)) / (1024.0 * 1024.0);
    const int runs = 5;

    // the floor: touch every byte once
    volatile unsigned sink = 0;
    double scan = Best(runs, [&] {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(note.data());
        size_t n = note.size() * sizeof(wchar_t);
        unsigned sum = 0;
        for (size_t i = 0; i < n; ++i)
            sum += bytes[i];
        sink = sum;
    });

    size_t nodes = 0, written = 0;
    double parse = Best(runs, [&] {
        CHtmlNode root(CHtmlNode::NodeText);
        root.Parse(note.c_str(), int(note.size()), false);
        CString out;
        root.ToHtml(out);
        nodes = root.GetChildCount();
        written = out.GetLength();
    });

    double normalize = Best(runs, [&] {
        CString out;
        HtmlNormalizeStyles(note.c_str(), out, 0);
    });

    double clear = Best(runs, [&] {
        CString html(note.c_str(), int(note.size()));
        HtmlClearFormatting(html, 3);
    });

    // the same size made only of short paragraphs: every one gains an empty line, so the
    // normaliser inserts three nodes per paragraph
    std::wstring paragraphs;
    paragraphs.reserve(note.size() + 16);
    while (paragraphs.size() < note.size())
        paragraphs += L"<p>x</p>";
    paragraphs.resize(note.size());
    double dense = Best(runs, [&] {
        CString out;
        HtmlNormalizeStyles(paragraphs.c_str(), out, 0);
    });

    printf("note: %.1f MB of UTF-16, %u nodes, %u characters written back\n", mb, unsigned(nodes),
           unsigned(written));
    printf("plain byte scan:      %8.2f ms  %8.1f MB/s\n", scan * 1000, mb / scan);
    printf("parse + serialise:    %8.2f ms  %8.1f MB/s  (%.1fx the scan)\n", parse * 1000, mb / parse, parse / scan);
    printf("normaliser:           %8.2f ms  %8.1f MB/s\n", normalize * 1000, mb / normalize);
    printf("clean-up (options 3): %8.2f ms  %8.1f MB/s\n", clear * 1000, mb / clear);
    printf("normaliser, only <p>: %8.2f ms  %8.1f MB/s\n", dense * 1000, mb / dense);
    return 0;
}
