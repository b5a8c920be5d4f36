// Two clients on one account syncing against the stand-in while they edit and delete, with
// the race of each case forced at the point where it matters (a request held by the stand-in,
// or the other client's whole sync run at a chosen step of this one). Every case checks that
// each text that must survive is in a note or in "conflict_folder" on both clients and on the
// service, and that no text is there twice.
#include "syncthread_harness.h"
#include <gtest/gtest.h>
#include <functional>

using namespace Sync;
using test::Client;
using test::MemStore;
using test::Words;

namespace {

Client& ClientA()
{
    static Client client(L"race-a");
    return client;
}

Client& ClientB()
{
    static Client client(L"race-b");
    return client;
}

Json::Value Op(const char* op)
{
    Json::Value v;
    v["op"] = op;
    return v;
}

// Holds the next request of `action` whose body names `match` until Release().
void Hold(const char* action, const wchar_t* match)
{
    Json::Value extra;
    extra["match"] = ToUtf8(match);
    extra["times"] = 1;
    test::Fault(action, "hold", extra);
}

bool WaitHeld()
{
    for (int i = 0; i < 3000; ++i) {
        if (test::Control(Op("held"))["held"].asInt() > 0)
            return true;
        Sleep(10);
    }
    return false;
}

void Release() { test::Control(Op("release")); }

// The words of every live note, conflict copies included.
std::vector<CString> Texts(MemStore& s)
{
    std::vector<CString> out;
    for (const CString& id : s.LiveNoteIds())
        out.push_back(Words(s.Note(id)->content));
    std::sort(out.begin(), out.end());
    return out;
}

struct World {
    MemStore a, b;
    const CString note = L"note-race";
    const CString folder = L"fold-race";
};

struct Case {
    const char* name;
    // The texts that must be everywhere afterwards.
    std::vector<const wchar_t*> survive;
    std::function<void(World&, int run)> act;
    // and the attachments' bytes
    std::vector<std::string> bytes;
};

// The bytes of every attachment of a live note.
std::vector<std::string> Bytes(MemStore& s)
{
    std::vector<std::string> out;
    for (const CString& id : s.LiveNoteIds())
        for (const MergeAttach& a : s.AttachesOf(id))
            out.push_back(a.data);
    return out;
}

class Races : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::FreshAccount();
        ClientA().SignIn();
        ClientB().SignIn();
    }
    void TearDown() override
    {
        Release();
        test::ClearFaults();
    }
};

// Both synced with one note "orig" in a folder of their own.
void Start(World& w)
{
    ClientA().Use(w.a);
    ClientB().Use(w.b);
    w.a.NewFolder(w.folder, L"Race");
    w.a.NewNote(w.note, w.folder, L"Race", L"<p>orig</p>");
    ASSERT_TRUE(ClientA().Sync());
    ASSERT_TRUE(ClientB().Sync());
    ASSERT_NE(nullptr, w.b.Note(w.note));
}

// Runs `other`'s whole sync the first time `store`'s sync reaches `call`.
void AtCall(MemStore& store, const char* call, Client& other)
{
    auto done = std::make_shared<bool>(false);
    store.onCall = [done, call, &other](const char* reached) {
        if (*done || strcmp(reached, call) != 0)
            return;
        *done = true;
        EXPECT_TRUE(other.Sync());
    };
}

TEST_F(Races, NoTextIsLostInAnyInterleaving)
{
    const int runs = 3;
    std::vector<Case> cases = {
        {"both sides edited, whatever the times say",
         {L"edit-a1", L"edit-b1"},
         [](World& w, int run) {
             w.b.EditNote(w.note, L"<p>edit-b1</p>");
             ASSERT_TRUE(ClientB().Sync());
             int serverTime = w.b.Note(w.note)->date_update;
             w.a.EditNote(w.note, L"<p>edit-a1</p>", serverTime + (run - 1) * 100);
             ASSERT_TRUE(ClientA().Sync());
         }},
        {"both sync at the same time, each with its own change",
         {L"edit-a1s", L"new-b1s"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a1s</p>");
             w.b.NewNote(L"note-new1s", L"default", L"New", L"<p>new-b1s</p>");
             ClientA().Start();
             ClientB().Start();
             ASSERT_TRUE(ClientA().Wait());
             ASSERT_TRUE(ClientB().Wait());
         }},
        {"the other client uploads between the structure step and the upload",
         {L"edit-a2", L"edit-b2"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a2</p>");
             w.b.EditNote(w.note, L"<p>edit-b2</p>");
             AtCall(w.a, "GetNotesForUpload", ClientB());
             ASSERT_TRUE(ClientA().Sync());
         }},
        {"an edit saved while the content downloads",
         {L"edit-a3", L"edit-b3"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a3</p>");
             ASSERT_TRUE(ClientA().Sync());
             Hold("notes:get", L"\"limit\"");
             ClientB().Start();
             ASSERT_TRUE(WaitHeld());
             w.b.EditNote(w.note, L"<p>edit-b3</p>");
             Release();
             ASSERT_TRUE(ClientB().Wait());
         }},
        {"the note is deleted on the service while its edit is sent",
         {L"edit-a4"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a4</p>");
             Hold("notes:update", w.note);
             ClientA().Start();
             ASSERT_TRUE(WaitHeld());
             w.b.DeleteNote(w.note);
             ASSERT_TRUE(ClientB().Sync());
             Release();
             ASSERT_TRUE(ClientA().Wait());
         }},
        {"a folder deleted here while its note was edited elsewhere",
         {L"edit-b5"},
         [](World& w, int run) {
             w.b.EditNote(w.note, L"<p>edit-b5</p>");
             w.a.DeleteFolder(w.folder);
             if (run == 0) {
                 ASSERT_TRUE(ClientB().Sync());
             } else {
                 // the edit reaches the service after this client's structure step
                 AtCall(w.a, "GetRemovedFolders", ClientB());
             }
             ASSERT_TRUE(ClientA().Sync());
         }},
        {"a folder deleted on the service while a new note was written in it",
         {L"new-a6"},
         [](World& w, int run) {
             w.b.DeleteFolder(w.folder);
             w.a.NewNote(L"note-new6", w.folder, L"New", L"<p>new-a6</p>");
             if (run == 0)
                 ASSERT_TRUE(ClientB().Sync());
             else
                 AtCall(w.a, "GetNotesForUpload", ClientB());
             ASSERT_TRUE(ClientA().Sync());
         }},
        {"a second edit within the second of an upload in flight",
         {L"edit-a7second"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a7first</p>");
             int time = w.a.Note(w.note)->date_update;
             Hold("notes:update", w.note);
             ClientA().Start();
             ASSERT_TRUE(WaitHeld());
             w.a.EditNote(w.note, L"<p>edit-a7second</p>", time);
             Release();
             // kept dirty, so the same sync sends it again
             ASSERT_TRUE(ClientA().Wait());
         }},
        {"a conflict copy that cannot be stored replaces nothing",
         {L"edit-ax1", L"edit-bx1"},
         [](World& w, int) {
             w.b.EditNote(w.note, L"<p>edit-bx1</p>");
             ASSERT_TRUE(ClientB().Sync());
             w.a.EditNote(w.note, L"<p>edit-ax1</p>");
             w.a.failCopies = true;
             ASSERT_TRUE(ClientA().Sync());
             EXPECT_FALSE(ClientA().Succeeded());
             EXPECT_EQ(L"edit-ax1", Words(w.a.Note(w.note)->content));
             EXPECT_EQ(1, w.a.Note(w.note)->b_syncdirty);
             w.a.failCopies = false;
         }},
        {"attachments changed on both sides",
         {L"edit-a8", L"edit-b8"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-a8</p>");
             w.a.AttachToNote(w.note, L"att-a8", L"a.bin", "bytes of a8");
             w.b.EditNote(w.note, L"<p>edit-b8</p>");
             w.b.AttachToNote(w.note, L"att-b8", L"b.bin", "bytes of b8");
             AtCall(w.a, "GetNotesForUpload", ClientB());
             ASSERT_TRUE(ClientA().Sync());
         },
         {"bytes of a8", "bytes of b8"}},
        {"an upload whose reply was lost",
         {L"edit-ax4"},
         [](World& w, int) {
             w.a.EditNote(w.note, L"<p>edit-ax4</p>");
             Json::Value stall;
             stall["match"] = ToUtf8(w.note);
             stall["times"] = 1;
             stall["seconds"] = 8;
             stall["after_bytes"] = 1;
             test::Fault("notes:update", "stall", stall);
             ASSERT_TRUE(ClientA().Sync());
         }},
    };
    for (const Case& c : cases) {
        for (int run = 0; run < runs; ++run) {
            SCOPED_TRACE(testing::Message() << c.name << ", run " << run);
            test::FreshAccount();
            World w;
            Start(w);
            c.act(w, run);
            w.a.onCall = nullptr;
            test::ClearFaults();
            // settle: each side twice, then what the service has, seen by a third client
            for (Client* cl : {&ClientA(), &ClientB(), &ClientA(), &ClientB()})
                EXPECT_TRUE(cl->Sync());
            MemStore service;
            ASSERT_TRUE(test::SyncOnce(service));
            for (MemStore* s : {&w.a, &w.b, &service}) {
                std::vector<CString> texts = Texts(*s);
                for (const wchar_t* t : c.survive)
                    EXPECT_EQ(1, std::count(texts.begin(), texts.end(), CString(t))) << ToUtf8(t);
                EXPECT_EQ(texts.end(), std::adjacent_find(texts.begin(), texts.end())) << "a text twice";
                std::vector<std::string> bytes = Bytes(*s);
                for (const std::string& b : c.bytes)
                    EXPECT_NE(bytes.end(), std::find(bytes.begin(), bytes.end(), b)) << b;
            }
            EXPECT_EQ(Texts(w.a), Texts(service));
            EXPECT_EQ(Texts(w.b), Texts(service));
        }
    }
}

// A folder deleted right after the sync that sent it stays deleted, with its notes.
TEST_F(Races, FolderDeletedAfterItsUploadStaysDeleted)
{
    World w;
    ClientA().Use(w.a);
    ClientB().Use(w.b);
    w.a.NewFolder(L"fold-short", L"Short");
    w.a.NewNote(L"note-short", L"fold-short", L"Short", L"<p>short</p>");
    ASSERT_TRUE(ClientA().Sync());
    w.a.DeleteFolder(L"fold-short");
    ASSERT_TRUE(ClientA().Sync());
    ASSERT_TRUE(ClientA().Sync());
    ASSERT_TRUE(ClientB().Sync());
    for (MemStore* s : {&w.a, &w.b}) {
        EXPECT_EQ(nullptr, s->Folder(L"fold-short"));
        EXPECT_TRUE(Texts(*s).empty());
    }
}

}  // namespace
