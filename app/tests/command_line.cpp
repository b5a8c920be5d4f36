// The command line, the "pelora:" URI parser, the send-to command both ways and the cleaning of
// names and paths that other processes hand over, as tables of ordinary and hostile inputs.
#include <gtest/gtest.h>
#include "CommandArgs.h"
#include "PeloraApp.h"
#include <string>
#include <vector>

using namespace PeloraShell;

namespace {

std::vector<std::wstring> Items(const CStringList& list)
{
    std::vector<std::wstring> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(list.GetNext(pos).GetString());
    return out;
}

std::string Narrow(const std::wstring& w)
{
    std::string s;
    for (wchar_t c : w)
        s += c < 128 ? (char)c : '?';
    return s;
}

TEST(CommandLine, SwitchesOfTheProgramBesideTheFrameworks)
{
    struct Row {
        const wchar_t* args;
        int shell, autorun, embedded, sendTo;
        std::vector<std::wstring> uris, files, unknown;
    } rows[] = {
        {L"", CCommandLineInfo::FileNew, 0, 0, 0, {}, {}, {}},
        {L"/autorun", CCommandLineInfo::FileNew, 1, 0, 0, {}, {}, {}},
        {L"-AUTORUN", CCommandLineInfo::FileNew, 1, 0, 0, {}, {}, {}},
        {L"/Embedding", CCommandLineInfo::FileNew, 0, 1, 0, {}, {}, {}},
        {L"/RegServer", CCommandLineInfo::AppRegister, 0, 0, 0, {}, {}, {}},
        {L"-unregserver", CCommandLineInfo::AppUnregister, 0, 0, 0, {}, {}, {}},
        // a link is kept from "pelora:" on, never run
        {L"\"/uri:pelora:note.open?note_id=abc\"", CCommandLineInfo::FileNew, 0, 0, 0, {L"pelora:note.open?note_id=abc"}, {}, {}},
        {L"/URI:PELORA:note.new", CCommandLineInfo::FileNew, 0, 0, 0, {L"PELORA:note.new"}, {}, {}},
        // "sendto:" itself is no path; every argument after it is
        {L"/sendto: C:\\a.txt \"C:\\b c.txt\"", CCommandLineInfo::FileOpen, 0, 0, 1, {}, {L"C:\\a.txt", L"C:\\b c.txt"}, {}},
        {L"C:\\before.txt sendto: C:\\after.txt", CCommandLineInfo::FileOpen, 0, 0, 1, {}, {L"C:\\after.txt"}, {}},
        // unknown switches are kept to be reported, not guessed at
        {L"/frobnicate /p", CCommandLineInfo::FilePrint, 0, 0, 0, {}, {}, {L"frobnicate"}},
        {L"/uri:http://example.com", CCommandLineInfo::FileNew, 0, 0, 0, {}, {}, {L"uri:http://example.com"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.args));
        CCommandArgs args;
        CWinApp::ParseCommandLine(args, r.args);
        EXPECT_EQ(r.shell, args.m_nShellCommand);
        EXPECT_EQ(r.autorun, args.m_autorun);
        EXPECT_EQ(r.embedded, (int)args.m_bRunEmbedded);
        EXPECT_EQ(r.sendTo, args.m_sendTo);
        EXPECT_EQ(r.uris, Items(args.m_uris));
        EXPECT_EQ(r.files, Items(args.m_sendToList));
        EXPECT_EQ(r.unknown, Items(args.m_unknown));
    }
}

TEST(CommandLine, OverlongAndManyArgumentsAreBounded)
{
    CCommandArgs args;
    std::wstring line = L"/uri:pelora:note.new?x=" + std::wstring(kMaxCommandChars, L'a') + L" sendto:";
    for (int i = 0; i < kMaxSendToPaths + 50; ++i)
        line += L" C:\\f" + std::to_wstring(i);
    CWinApp::ParseCommandLine(args, line.c_str());
    EXPECT_TRUE(args.m_uris.IsEmpty()) << "an over-long link is dropped whole";
    EXPECT_EQ(kMaxSendToPaths, (int)args.m_sendToList.GetCount());
}

TEST(PeloraUri, CommandAndParameters)
{
    struct Row {
        const wchar_t* uri;
        const wchar_t* command;
        std::vector<std::pair<std::wstring, std::wstring>> params;
    } rows[] = {
        {L"pelora:note.new", L"pelora:note.new", {}},
        {L"  pelora:note.open?note_id=abc  ", L"pelora:note.open", {{L"note_id", L"abc"}}},
        {L"pelora:note.open?note_id= abc &x=1", L"pelora:note.open", {{L"note_id", L"abc"}, {L"x", L"1"}}},
        // a later key wins; a pair that begins with "=" is all key
        {L"pelora:a?k=1&k=2", L"pelora:a", {{L"k", L"2"}}},
        {L"pelora:a?=v", L"pelora:a", {{L"=v", L""}}},
        {L"pelora:a?flag", L"pelora:a", {{L"flag", L""}}},
        // "?" first: all of it is the command
        {L"?note_id=1", L"?note_id=1", {}},
        // nothing is decoded or followed
        {L"pelora:note.open?note_id=..%2F..%2Fwindows", L"pelora:note.open", {{L"note_id", L"..%2F..%2Fwindows"}}},
        {L"pelora:note.open?note_id=\"a&b\"", L"pelora:note.open", {{L"note_id", L"\"a"}, {L"b\"", L""}}},
        {L"pelora:x?&&&", L"pelora:x", {{L"&", L""}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.uri));
        CMapStringToString map;
        EXPECT_EQ(std::wstring(r.command), ParseUriString(r.uri, map).GetString());
        EXPECT_EQ((int)r.params.size(), (int)map.GetCount());
        for (const auto& p : r.params) {
            CString value;
            EXPECT_TRUE(map.Lookup(p.first.c_str(), value)) << Narrow(p.first);
            EXPECT_EQ(p.second, value.GetString());
        }
    }
}

TEST(PeloraUri, SendToCommandText)
{
    struct Row {
        const wchar_t* text;
        bool isSendTo;
        std::vector<std::wstring> paths;
    } rows[] = {
        {L"pelora:sendto: \"C:\\a.txt\" \"C:\\b.txt\" \"C:\\a.txt\" ", true, {L"C:\\a.txt", L"C:\\b.txt"}},
        {L"PELORA:SENDTO: \"C:\\a.txt\"", true, {L"C:\\a.txt"}},
        {L"pelora:sendto:", false, {}},                       // 14 characters: not a command
        {L"pelora:sendto: no quotes at all", true, {}},       // empties the list, adds nothing
        {L"pelora:sendto: \"C:\\a.txt\" \"\" \"C:\\b.txt\"", true, {L"C:\\a.txt"}},  // an empty pair ends it
        {L"pelora:sendto: \"C:\\a.txt\" \"C:\\unclosed", true, {L"C:\\a.txt"}},
        {L"pelora:note.new \"C:\\a.txt\"", false, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.text));
        CStringList list;
        list.AddTail(L"left over");
        EXPECT_EQ(r.isSendTo, ParseSendToCommand(r.text, list));
        if (r.isSendTo) {
            EXPECT_EQ(r.paths, Items(list));
        }
    }
}

TEST(PeloraUri, SecondInstanceBuildsTheCommandTheFirstReads)
{
    CStringList paths;
    for (const wchar_t* p : {L"\"C:\\a b.txt\"", L"  C:\\c.txt  ", L"", L"\"\"", L"C:\\bad\"quote.txt"})
        paths.AddTail(p);
    CString text = BuildSendToCommand(paths);
    EXPECT_STREQ(L"pelora:sendto: \"C:\\a b.txt\" \"C:\\c.txt\" ", text.GetString());
    CStringList back;
    ASSERT_TRUE(ParseSendToCommand(text, back));
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\a b.txt", L"C:\\c.txt"}), Items(back));
    CStringList none;
    none.AddTail(L"  ");
    EXPECT_TRUE(BuildSendToCommand(none).IsEmpty());
}

TEST(HandedOver, PathsFromOtherProcessesMustBeAbsoluteFiles)
{
    struct Row {
        const wchar_t* in;
        const wchar_t* out;  // empty: refused
    } rows[] = {
        {L"C:\\notes\\a.txt", L"C:\\notes\\a.txt"},
        {L"C:/notes/a.txt", L"C:\\notes\\a.txt"},
        {L"C:\\notes\\sub\\..\\..\\windows\\win.ini", L"C:\\windows\\win.ini"},
        {L"\\\\server\\share\\a.txt", L"\\\\server\\share\\a.txt"},
        {L"relative\\a.txt", L""},
        {L"..\\a.txt", L""},
        {L"\\\\?\\C:\\a.txt", L""},
        {L"\\\\.\\PhysicalDrive0", L""},
        {L"C:\\a\tb.txt", L""},
        {L"C:\\a*.txt", L""},
        {L"", L""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.in));
        EXPECT_STREQ(r.out, CleanHandedPath(r.in).GetString());
    }
    EXPECT_TRUE(CleanHandedPath(CString(L"C:\\") + CString(std::wstring(40000, L'a').c_str())).IsEmpty());
}

TEST(HandedOver, LoginBecomesOneCleanPathComponent)
{
    struct Row {
        const wchar_t* login;
        const wchar_t* component;
    } rows[] = {
        {L"demo@example.com", L"demo@example.com"},
        {L"..\\..\\Windows", L".._.._Windows"},
        {L"../../etc", L".._.._etc"},
        {L"..", L""},
        {L"...", L""},
        {L"  ", L""},
        {L"a:b*c?d", L"a_b_c_d"},
        {L"con", L"_con"},
        {L"LPT1.example.com", L"_LPT1.example.com"},
        {L"user.", L"user"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.login));
        EXPECT_STREQ(r.component, CPeloraApp::CleanPathComponent(r.login).GetString());
    }
    EXPECT_EQ(128, CPeloraApp::CleanPathComponent(CString(std::wstring(500, L'x').c_str())).GetLength());
}

TEST(StartUp, WindowSizeTypeChoosesTheFirstShowCommand)
{
    struct Row {
        int type;
        int show;
    } rows[] = {{0, SW_SHOW}, {1, SW_SHOWMINIMIZED}, {2, SW_SHOWMAXIMIZED}, {3, SW_SHOWMAXIMIZED}, {4, SW_SHOWMINIMIZED},
                {5, -1}, {-1, -1}};
    for (const Row& r : rows)
        EXPECT_EQ(r.show, CPeloraApp::ShowCommandForSizeType(r.type)) << r.type;
}

} // namespace

#include "WidgetDefaults.h"
#include "LWButton.h"
#include "resource.h"

namespace {

TEST(StartUp, WidgetDefaultsAreTheProgramsButtonSkinStatesAndFont)
{
    PeloraShell::SetWidgetDefaults();
    EXPECT_EQ((unsigned)IDB_BUTTON_STATES, LWButton::s_defBmpStateRes);
    const SkinControl& skin = LWButton::s_defSkin;
    EXPECT_EQ((UINT)IDB_BUTTON_SKIN, skin.bmpNormal);
    EXPECT_EQ((UINT)IDB_BUTTON_SKIN_DOWN, skin.bmpState);
    EXPECT_EQ(73, skin.cx);
    EXPECT_EQ(21, skin.cy);
    EXPECT_EQ(2, skin.rcMargins.left);
    EXPECT_EQ(2, skin.rcMargins.top);
    EXPECT_EQ(71, skin.rcMargins.right);
    EXPECT_EQ(19, skin.rcMargins.bottom);
    LOGFONTW font = {};
    ASSERT_TRUE(LWButton::s_defFont.GetSafeHandle());
    ASSERT_NE(0, GetObjectW(LWButton::s_defFont.GetSafeHandle(), sizeof font, &font));
    EXPECT_STREQ(L"Helvetica", font.lfFaceName);
    EXPECT_EQ(-12, font.lfHeight);
    EXPECT_EQ(500, font.lfWeight);
    EXPECT_EQ(RUSSIAN_CHARSET, font.lfCharSet);
    // given twice (a second start-up stage), the font is replaced, not leaked
    HGDIOBJ before = LWButton::s_defFont.GetSafeHandle();
    PeloraShell::SetWidgetDefaults();
    EXPECT_EQ(OBJ_FONT, GetObjectType(LWButton::s_defFont.GetSafeHandle()));
    EXPECT_EQ(0u, GetObjectType(before) == OBJ_FONT && before != LWButton::s_defFont.GetSafeHandle() ? 1u : 0u);
}

} // namespace
