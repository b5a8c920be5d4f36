// The HTML engine of the note editor: include this one header.
//
// What the editor asks of the engine, and where the engine answers it. Items marked [2] need
// layout, painting, the caret on screen or the window and come with the engine's second part;
// every other item is built and covered by htmlengine_tests.
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
//   onclick / ondblclick handler slots                          Element::SetEventHandler (dispatch [2])
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
//   caret shown / scrolled into view, pointer from a point,
//   hit test of the element under a point, focus the document    [2]
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
//   27 print                                                     [2] (supported, never enabled here)
// Window-side services                                             [2]
//   event dispatch to the onclick / ondblclick slots, the edit designer's pre-handle (mouse
//   over/out a link) and accelerator hooks, rendering an image element into a bitmap
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
