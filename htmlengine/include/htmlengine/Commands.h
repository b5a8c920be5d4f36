// Editing commands: the numbers the editor code uses, query-status flags and command values.
#pragma once
#include <cstdint>
#include <string>

namespace HtmlEngine {

enum CommandId : int {
    CMD_COPY = 15,
    CMD_CUT = 16,
    CMD_FONTNAME = 18,         // value: family text
    CMD_FONTSIZE = 19,         // value: HTML size 1..7 (int or text)
    CMD_PASTE = 26,
    CMD_PRINT = 27,
    CMD_REDO = 29,
    CMD_SELECTALL = 31,
    CMD_UNDO = 43,
    CMD_JUSTIFYFULL = 50,
    CMD_BACKCOLOR = 51,        // value: "#rrggbb" or int 0x00BBGGRR
    CMD_BOLD = 52,
    CMD_FORECOLOR = 55,
    CMD_ITALIC = 56,
    CMD_JUSTIFYCENTER = 57,
    CMD_JUSTIFYLEFT = 59,
    CMD_JUSTIFYRIGHT = 60,
    CMD_UNDERLINE = 63,
    CMD_STRIKETHROUGH = 91,
    CMD_CLEARSELECTION = 2007,
    CMD_BROWSEMODE = 2126,
    CMD_EDITMODE = 2127,
    CMD_VIEWSOURCE = 2139,
    CMD_HORIZONTALLINE = 2150,
    CMD_ORDERLIST = 2184,
    CMD_UNORDERLIST = 2185,
    CMD_INDENT = 2186,
    CMD_OUTDENT = 2187,
    CMD_SUPERSCRIPT = 2247,
    CMD_SUBSCRIPT = 2248,
    CMD_AUTOURLDETECT = 2400,  // value: bool
    CMD_DISABLE_EDITFOCUS_UI = 2404,
    CMD_KEEPSELECTION = 2410,
    CMD_OVERRIDE_CURSOR = 2420,
    CMD_FONTSIZE_PX = 5005     // private: font size in px (set: int; value: decimal text)
};

enum CommandFlags : unsigned {
    CMDF_SUPPORTED = 1,
    CMDF_ENABLED = 2,
    CMDF_LATCHED = 4
};

// A command argument or result: nothing, text, a 32-bit integer or a boolean.
struct Value {
    enum class Kind { Empty, Text, Int, Bool };
    Kind kind = Kind::Empty;
    std::wstring text;
    int32_t i = 0;
    bool b = false;

    Value() = default;
    Value(const wchar_t* t) : kind(Kind::Text), text(t ? t : L"") {}
    Value(const std::wstring& t) : kind(Kind::Text), text(t) {}
    Value(int32_t v) : kind(Kind::Int), i(v) {}
    Value(bool v) : kind(Kind::Bool), b(v) {}

    bool IsEmpty() const { return kind == Kind::Empty; }
    // Text as the editor reads it: strings as they are, integers in decimal, "true"/"false".
    std::wstring AsText() const;
    // Integer from an int, a bool or decimal text; false when there is none.
    bool AsInt(int32_t* out) const;
};

} // namespace HtmlEngine
