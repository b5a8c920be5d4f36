// The HTML engine of the note editor: include this one header.
//
// What the editor asks of the engine, and where the engine answers it. Every item is built and
// covered by htmlengine_tests.
//
// Loading and the document
//   load a UTF-16LE stream with byte-order mark (also UTF-8)  Document::LoadStream / LoadBytes
//   forgiving parse; "&nbsp" without semicolon                 Document::LoadHtml, ParseFragment
//   a note's short text from as much markup as it needs          PreviewText, Node::InnerText(max)
//   ready state, BODY present after every load                 Document::ReadyState, Body
//   design mode "On"/"Off" that survives a load                 Document::SetDesignModeText
//   dirty since load / clear dirty without saving                Document::IsDirty, ClearDirty
//   document URL ("about:blank" after a stream load)            Document::Url
//   change sink on every markup change, register/unregister     Document::RegisterChangeSink
// DOM
//   getElementsByTagName (HTML, HEAD, BODY, A, SPL, IMG, ...)   Document/Element::GetElementsByTagName
//   createElement, create from tag id + attribute text          Document::CreateElement
//   parent, children, previous/next sibling, contains           Node, Element
//   get/set/removeAttribute without case ("href", "bgcolor",
//   "link", "vlink", "align", "size", "src", "checked")         Element::GetAttribute ...
//   innerHTML / outerHTML / innerText get and set               Node::InnerHtml ..., Element::SetInnerHtml ...
//   removeNode (deep / keep content), insertAdjacent*           Node::RemoveNode, Element::InsertAdjacent*
//   numeric tag ids (A 2, DIV 30, FONT 36, H1..H6 41..46,
//   IMG 52, LI 58, OL 71, P 73, SPAN 86, U 103, UL 104, ...)    TagIds.h, Element::TagId
//   tables: rows, insertRow, deleteRow, cells, insertCell,
//   rowIndex, colSpan, rowSpan                                  Element::Rows ... RowSpan
//   images: src, width, height, complete                        Element::Src ... IsComplete, IImageLoader
//   check boxes: SPAN contentEditable=false + INPUT checkbox    Element::SetChecked, serialiser
//   onclick / ondblclick handler slots                          Element::SetEventHandler (dispatch: HtmlWindow)
// Serialising
//   upper-case tags, "style"/"class" lower case, quoted style,
//   <SPAN contentEditable=false><INPUT type=checkbox checked>   SerializeNode, Node::OuterHtml
// Styles
//   inline properties by name (background-color, color, border*,
//   font-size, font-family, width, height, text-decoration,
//   margin-left, margin-top, line-height, text-align, ...)      Element::GetStyle / SetStyle
//   style sheets, rule by selector, rule style text (IMG rule)  Document::StyleSheets, StyleSheet::FindRule
//   computed values (font size in px through ancestors)         ComputedStyle, ComputedFontSizePx
// Positions
//   markup pointers: gravity, move to pointer / element edge /
//   container, current scope, left/right with context, compare  MarkupPointer
//   text ranges: text, htmlText, pasteHTML, collapse, select,
//   parentElement, findText (whole word 2, match case 4)        TextRange
//   selection: none (caret), text, control; empty; create range Selection
//   highlight segments that follow edits, report their text     Document::AddHighlight, HighlightSegment
//   caret moved to a pointer                                    Selection::MoveCaret
//   caret rectangle, pointer from a point, element under a point,
//   caret moves (characters, words, lines, document), word at   Layout::CaretRect, PositionFromPoint,
//   a position, rectangle of an element                            ElementFromPoint, Move, WordAt, ElementRect
//   caret shown / scrolled into view, focus the document         HtmlWindow::ScrollToCaret, FocusDocument
// Operations
//   insert element around a range; element with raw attributes;
//   insert text; remove a range; remove an element              Document::InsertElement ... RemoveElement
//   named undo units, undo, redo                                Document::BeginUndoUnit, Undo, Redo
//   typing, Enter, Shift+Enter, Backspace, Delete               Document::TypeText ... DeleteForward
// Commands (Commands.h; flags 1 supported, 2 enabled, 4 latched)
//   15 copy, 16 cut, 26 paste ("HTML Format" + CF_UNICODETEXT)  IClipboard, Win32Clipboard
//   18 font name, 19 font size, 51 back colour, 55 fore colour,
//   52 bold, 56 italic, 63 underline, 91 strike, 2247 super,
//   2248 sub, 50/57/59/60 justify, 2184/2185 lists, 2186/2187
//   indent/outdent, 2150 horizontal line, 31 select all,
//   43 undo, 29 redo, 2007 clear selection, 2126/2127/2139
//   modes, 2400 auto URL, 2404 edit-focus UI, 2410 keep
//   selection, 2420 cursor override, 5005 font size in px        Document::QueryStatus / Exec / QueryValue
//   27 print                                                     HtmlWindow::Exec (the document alone: never enabled)
// The window (HtmlWindow.h) and the view bases (view/HtmlEditView.h)
//   child window with design mode on/off and read-only, scroll
//   bars, back-buffered painting, caret, keys and mouse (a drag
//   held past the top or bottom edge scrolls on)                  HtmlWindow
//   document complete, update UI, kill focus to the owner         IHtmlWindowHost, CHtmlEditView
//   event dispatch to the onclick / ondblclick slots              HtmlWindow (mouse)
//   edit designer's pre-handle (mouse over/out a link) and
//   accelerator hooks                                             IHtmlWindowHost::PreHandleEvent, TranslateAccelerator
//   pictures loaded in the background (busy flag), resolver hook HtmlWindow::SetResolver, IsBusy
//   rendering to a DC, an image element into a bitmap, printing  HtmlWindow::RenderToDC, RenderImage, Print
//
// Layout and painting (Layout.h, Platform.h)
//   one platform seam: fonts, metrics, text width and drawing,
//   rectangles, lines, pictures; GDI/GDI+ and a fixed fake       IPlatform, GdiPlatform, FakePlatform
//   blocks, lines over mixed fonts (spaces, nbsp, BR, PRE),
//   font family/size/weight/style, underline, strike, colours,
//   text-align (justify too), line-height, margins (meeting
//   margins collapse), padding, borders                         Layout::Update
//   lists (UL/OL nested, markers, numbers, start/value/type),
//   tables (columns from content and percentage shares,
//   colspan/rowspan, borders,
//   cellpadding/cellspacing), pictures (size attributes,
//   max-width, placeholders), HR, check boxes, links             Layout
//   relayout of the changed blocks only (the document tells)     Layout::Update, LastRebuiltBlocks
//   painting: backgrounds, text, borders, markers, pictures,
//   check boxes, highlight segments, the selection               Layout::Paint
//
// Behaviour worth knowing: loading gives no change notice (the editor restarts tracking after
// a load); Remove keeps the blocks that the range only partly covers; typing at one place joins
// one undo step until the selection is moved; the history keeps 1,000 steps; what the engine
// writes reads back the same, and a change that would break that is refused whole.
#pragma once
#include "htmlengine/TagIds.h"
#include "htmlengine/Dom.h"
#include "htmlengine/Style.h"
#include "htmlengine/Markup.h"
#include "htmlengine/Commands.h"
#include "htmlengine/Clipboard.h"
#include "htmlengine/Platform.h"
#include "htmlengine/Layout.h"
