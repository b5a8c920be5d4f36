// The automation objects in process, over a notebook on a temporary store: every method by name
// through IDispatch (the way scripts and the add-in call), its DISPID, its results and errors,
// and objects that outlive their folder or the whole profile.
#include "model_fixture.h"
#include "Automation.h"
#include "Notebook.h"
#include "TagList.h"
#include <string>

using namespace ModelTest;
using namespace PeloraShell;

namespace {

using AppClass = CComCoClass<CPeloraApplication, &CLSID_PeloraApplication>;
using FolderClass = CComCoClass<CPeloraFolderObject, &CLSID_PeloraFolder>;
using TagClass = CComCoClass<CPeloraTagObject, &CLSID_PeloraTag>;

class FakeHost : public IAutomationHost {
public:
    bool IsAppInited() override { return inited; }
    HRESULT ShowApp(bool show) override { calls.push_back(show ? "ShowApp 1" : "ShowApp 0"); return S_OK; }
    HRESULT GetLoginState(long* state) override
    {
        if (!inited) return E_FAIL;
        if (!state) return E_INVALIDARG;
        *state = loginState;
        return S_OK;
    }
    HRESULT ShowAuthWindow(VARIANT_BOOL show) override
    {
        if (!inited) return E_FAIL;
        calls.push_back(show ? "ShowAuthWindow 1" : "ShowAuthWindow 0");
        return S_OK;
    }
    HRESULT ExecCmd(const CString& command, long* result) override
    {
        if (!inited) return E_FAIL;
        calls.push_back("ExecCmd " + Narrow(command));
        *result = command == L"pelora:note.new" ? 0 : -1;
        return S_OK;
    }
    Pelora::CNotebook* GetNotebook() override { return book; }
    int GetProfileGeneration() override { return generation; }
    int ImportNotes(Pelora::CFolderItem* folder, const wchar_t* descriptor) override
    {
        calls.push_back("ImportNotes " + Narrow(folder->GetFolderId()) + " " + Narrow(descriptor));
        return 0;
    }

    bool inited = true;
    long loginState = 2;
    Pelora::CNotebook* book = nullptr;
    int generation = 1;
    std::vector<std::string> calls;
};

// A call by name: the DISPID the type library gives the name, then Invoke.
struct Call {
    HRESULT hr;
    DISPID id;
    CComVariant result;
    std::wstring error;  // the description the object left for the client
};

Call Invoke(IDispatch* obj, const wchar_t* name, std::vector<CComVariant> args = {})
{
    Call c = {E_FAIL, DISPID_UNKNOWN, CComVariant(), L""};
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    c.hr = obj->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &c.id);
    if (FAILED(c.hr))
        return c;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, (UINT)reversed.size(), 0};
    EXCEPINFO excep = {};
    UINT argErr = 0;
    c.hr = obj->Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &c.result, &excep, &argErr);
    if (c.hr == DISP_E_EXCEPTION) {
        c.hr = excep.scode;
        if (excep.bstrDescription) c.error = excep.bstrDescription;
    }
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    return c;
}

CComPtr<IDispatch> Object(const Call& c)
{
    CComPtr<IDispatch> d;
    if (c.result.vt == VT_DISPATCH) d = c.result.pdispVal;
    return d;
}

class AutomationObjects : public NotebookFixture {
protected:
    void SetUp() override
    {
        ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        module.Init(GetObjectMap(), GetModuleHandleW(nullptr), &LIBID_PeloraLib);
        NotebookFixture::SetUp();
        host.book = book;
        SetAutomationHost(&host);
        // the store makes "default", "usr_folder", "trash" and "conflict_folder" itself
        AddFolderRow(L"f-work", L"Work", L"usr_folder", 0);
        Load();
        book->GetTagList()->AddTag(L"alpha", 0);
        book->GetTagList()->AddTag(L"beta", 0);
        ASSERT_HRESULT_SUCCEEDED(AppClass::CreateInstance(&app));
    }
    void TearDown() override
    {
        app.Release();
        SetAutomationHost(nullptr);
        NotebookFixture::TearDown();
        module.Term();
        CoUninitialize();
    }
    CComPtr<IDispatch> Notebook()
    {
        return Object(Invoke(app, L"GetActiveNotebook"));
    }

    CComModule module;
    FakeHost host;
    CComPtr<IPeloraApplication> app;
};

TEST_F(AutomationObjects, ApplicationMethodsByNameWithTheirIdsAndResults)
{
    struct Row {
        const wchar_t* name;
        std::vector<CComVariant> args;
        DISPID id;
        HRESULT hr;
        VARTYPE vt;
        long value;  // of an I4 or BOOL result
    } rows[] = {
        {L"IsAppInited", {}, 1, S_OK, VT_BOOL, VARIANT_TRUE},
        {L"ShowApp", {CComVariant(false)}, 2, S_OK, VT_EMPTY, 0},
        {L"GetLoginState", {}, 3, S_OK, VT_I4, 2},
        {L"ShowAuthWindow", {CComVariant(true)}, 4, S_OK, VT_EMPTY, 0},
        {L"GetActiveNotebook", {}, 5, S_OK, VT_DISPATCH, 0},
        {L"ExecCmd", {CComVariant(L"pelora:note.new")}, 6, S_OK, VT_I4, 0},
        {L"ExecCmd", {CComVariant(L"pelora:unknown.verb")}, 6, S_OK, VT_I4, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.name));
        Call c = Invoke(app, r.name, r.args);
        EXPECT_EQ(r.id, c.id);
        EXPECT_EQ(r.hr, c.hr);
        EXPECT_EQ(r.vt, c.result.vt);
        if (r.vt == VT_I4) {
            EXPECT_EQ(r.value, c.result.lVal);
        }
        if (r.vt == VT_BOOL) {
            EXPECT_EQ(r.value, c.result.boolVal);
        }
    }
    std::vector<std::string> expected = {"ShowApp 0", "ShowAuthWindow 1", "ExecCmd pelora:note.new",
                                         "ExecCmd pelora:unknown.verb"};
    EXPECT_EQ(expected, host.calls);
}

TEST_F(AutomationObjects, BeforeStartUpEndsTheLoginAndCommandCallsWithADescribedFailure)
{
    host.inited = false;
    Call inited = Invoke(app, L"IsAppInited");
    EXPECT_EQ(S_OK, inited.hr);
    EXPECT_EQ(VARIANT_FALSE, inited.result.boolVal);
    for (const wchar_t* name : {L"GetLoginState", L"ExecCmd", L"ShowAuthWindow"}) {
        SCOPED_TRACE(Narrow(name));
        std::vector<CComVariant> args;
        if (std::wstring(name) == L"ExecCmd") args = {CComVariant(L"pelora:note.new")};
        if (std::wstring(name) == L"ShowAuthWindow") args = {CComVariant(true)};
        Call c = Invoke(app, name, args);
        EXPECT_EQ(E_FAIL, c.hr);
        EXPECT_NE(std::wstring::npos, c.error.find(L"not finished starting"));
    }
    EXPECT_TRUE(host.calls.empty());
    // through the vtable as well
    long state = 7;
    EXPECT_EQ(E_FAIL, app->GetLoginState(&state));
    EXPECT_EQ(7, state);
    host.inited = true;
    EXPECT_EQ(E_INVALIDARG, app->GetLoginState(nullptr));
    EXPECT_EQ(E_POINTER, app->IsAppInited(nullptr));
    EXPECT_EQ(E_POINTER, app->ExecCmd(nullptr, nullptr));
}

TEST_F(AutomationObjects, WalksFoldersSubfoldersAndTagsWithTheirTypes)
{
    CComPtr<IDispatch> nb = Notebook();
    ASSERT_TRUE(nb);
    Call count = Invoke(nb, L"GetFolderCount");
    EXPECT_EQ(1, count.id);
    ASSERT_EQ(VT_I4, count.result.vt);
    EXPECT_EQ(book->GetFolderMapCount(), count.result.lVal);
    ASSERT_GT(count.result.lVal, 0);

    struct Row {
        const wchar_t* method;
        DISPID id;
        const wchar_t* name;
        long type;
    } rows[] = {
        {L"GetFolderDefault", 4, L"My Notes", FolderTypeDefault},
        {L"GetFolderUsers", 5, L"User Folder", FolderTypeUserRoot},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.method));
        Call c = Invoke(nb, r.method);
        EXPECT_EQ(r.id, c.id);
        CComPtr<IDispatch> folder = Object(c);
        ASSERT_TRUE(folder);
        Call name = Invoke(folder, L"GetFolderName");
        EXPECT_EQ(1, name.id);
        ASSERT_EQ(VT_BSTR, name.result.vt);
        EXPECT_STREQ(r.name, name.result.bstrVal);
        Call type = Invoke(folder, L"GetFolderType");
        EXPECT_EQ(2, type.id);
        EXPECT_EQ(r.type, type.result.lVal);
    }

    // the user root's children: Work and the conflicts folder, which reports type 8 whatever its item says
    CComPtr<IDispatch> users = Object(Invoke(nb, L"GetFolderUsers"));
    Call subCount = Invoke(users, L"GetSubFolderCount");
    EXPECT_EQ(4, subCount.id);
    std::vector<std::pair<std::wstring, long>> children;
    for (long i = 0; i < subCount.result.lVal; ++i) {
        Call sub = Invoke(users, L"GetSubFolderItem", {CComVariant(i)});
        EXPECT_EQ(5, sub.id);
        CComPtr<IDispatch> child = Object(sub);
        ASSERT_TRUE(child);
        children.push_back({Invoke(child, L"GetFolderName").result.bstrVal, Invoke(child, L"GetFolderType").result.lVal});
    }
    EXPECT_NE(children.end(), std::find(children.begin(), children.end(), std::make_pair(std::wstring(L"Conflicts"), 8L)));
    EXPECT_NE(children.end(), std::find(children.begin(), children.end(), std::make_pair(std::wstring(L"Work"), 0L)));

    // every index the notebook reports gives a folder
    for (long i = 0; i < count.result.lVal; ++i)
        EXPECT_TRUE(Object(Invoke(nb, L"GetFolderItem", {CComVariant(i)}))) << i;

    Call tagsCall = Invoke(nb, L"GetTags");
    EXPECT_EQ(3, tagsCall.id);
    CComPtr<IDispatch> tags = Object(tagsCall);
    ASSERT_TRUE(tags);
    Call tagCount = Invoke(tags, L"GetCount");
    EXPECT_EQ(1, tagCount.id);
    ASSERT_EQ(2, tagCount.result.lVal);
    std::vector<std::wstring> names;
    for (long i = 0; i < 2; ++i) {
        Call t = Invoke(tags, L"GetTagItem", {CComVariant(i)});
        EXPECT_EQ(2, t.id);
        Call n = Invoke(Object(t), L"GetTagName");
        EXPECT_EQ(1, n.id);
        names.push_back(n.result.bstrVal);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"beta"}), names);
}

TEST_F(AutomationObjects, IndexesOutOfRangeAndWrongArgumentsAreRefused)
{
    CComPtr<IDispatch> nb = Notebook();
    long count = Invoke(nb, L"GetFolderCount").result.lVal;
    CComPtr<IDispatch> tags = Object(Invoke(nb, L"GetTags"));
    CComPtr<IDispatch> users = Object(Invoke(nb, L"GetFolderUsers"));
    long subs = Invoke(users, L"GetSubFolderCount").result.lVal;
    struct Row {
        IDispatch* obj;
        const wchar_t* method;
        std::vector<CComVariant> args;
        HRESULT hr;
    } rows[] = {
        {nb, L"GetFolderItem", {CComVariant(-1L)}, E_INVALIDARG},
        {nb, L"GetFolderItem", {CComVariant(count)}, E_INVALIDARG},
        {tags, L"GetTagItem", {CComVariant(2L)}, E_INVALIDARG},
        {tags, L"GetTagItem", {CComVariant(-5L)}, E_INVALIDARG},
        {users, L"GetSubFolderItem", {CComVariant(subs)}, E_INVALIDARG},
        {users, L"ImportNotes", {CComVariant(L"<notes/>"), CComVariant(0L)}, E_INVALIDARG},
        {users, L"ImportNotes", {CComVariant(L"<notes/>"), CComVariant(2L)}, E_INVALIDARG},
        // wrong argument types and counts are refused before the object is reached
        {nb, L"GetFolderItem", {CComVariant(L"not a number")}, DISP_E_TYPEMISMATCH},
        {nb, L"GetFolderItem", {}, DISP_E_BADPARAMCOUNT},
        {users, L"ImportNotes", {CComVariant(L"<notes/>")}, DISP_E_BADPARAMCOUNT},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(Narrow(r.method) + " " + std::to_string(r.args.size()));
        Call c = Invoke(r.obj, r.method, r.args);
        EXPECT_EQ(r.hr, c.hr);
        // no object comes back (the type library's Invoke may leave the result's type set)
        EXPECT_FALSE(c.result.vt == VT_DISPATCH && c.result.pdispVal);
        if (r.hr == E_INVALIDARG) {
            EXPECT_FALSE(c.error.empty());
        }
    }
    EXPECT_TRUE(host.calls.empty()) << "nothing was imported";
    // an unknown name
    DISPID id;
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"DeleteEverything")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, nb->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id));
}

TEST_F(AutomationObjects, ImportNotesHandsTheDescriptorToTheHostWithFlagOne)
{
    CComPtr<IDispatch> def = Object(Invoke(Notebook(), L"GetFolderDefault"));
    Call c = Invoke(def, L"ImportNotes", {CComVariant(L"<notes/>"), CComVariant(1L)});
    EXPECT_EQ(3, c.id);
    EXPECT_EQ(S_OK, c.hr);
    ASSERT_EQ(VT_I4, c.result.vt);
    EXPECT_EQ(0, c.result.lVal);
    EXPECT_EQ((std::vector<std::string>{"ImportNotes default <notes/>"}), host.calls);
}

TEST_F(AutomationObjects, ObjectsOfAGoneFolderOrProfileAnswerEFailNotFreedMemory)
{
    CComPtr<IDispatch> nb = Notebook();
    CComPtr<IDispatch> work;
    CComPtr<IDispatch> users = Object(Invoke(nb, L"GetFolderUsers"));
    long subs = Invoke(users, L"GetSubFolderCount").result.lVal;
    for (long i = 0; i < subs && !work; ++i) {
        CComPtr<IDispatch> child = Object(Invoke(users, L"GetSubFolderItem", {CComVariant(i)}));
        if (std::wstring(Invoke(child, L"GetFolderName").result.bstrVal) == L"Work") work = child;
    }
    ASSERT_TRUE(work);
    CComPtr<IDispatch> tag = Object(Invoke(Object(Invoke(nb, L"GetTags")), L"GetTagItem", {CComVariant(0L)}));
    ASSERT_TRUE(tag);

    // the tag removed: its object answers E_FAIL
    book->GetTagList()->RemoveTag(book->GetTagList()->FindByName(Narrow(Invoke(tag, L"GetTagName").result.bstrVal) == "alpha" ? L"alpha" : L"beta"), 0);
    Call gone = Invoke(tag, L"GetTagName");
    EXPECT_EQ(E_FAIL, gone.hr);
    EXPECT_NE(std::wstring::npos, gone.error.find(L"gone"));

    // the profile unloaded (logout): every folder object answers E_FAIL, nothing is imported
    book->UnloadNotebook();
    ++host.generation;
    for (const wchar_t* method : {L"GetFolderName", L"GetFolderType", L"GetSubFolderCount"}) {
        SCOPED_TRACE(Narrow(method));
        EXPECT_EQ(E_FAIL, Invoke(work, method).hr);
        EXPECT_EQ(E_FAIL, Invoke(users, method).hr);
    }
    EXPECT_EQ(E_FAIL, Invoke(work, L"ImportNotes", {CComVariant(L"<notes/>"), CComVariant(1L)}).hr);
    EXPECT_TRUE(host.calls.empty());
    // a new load is a new profile: the old objects stay gone, new ones work
    Load();
    ++host.generation;
    EXPECT_EQ(E_FAIL, Invoke(users, L"GetFolderName").hr);
    CComPtr<IDispatch> again = Object(Invoke(nb, L"GetFolderUsers"));
    EXPECT_EQ(S_OK, Invoke(again, L"GetFolderName").hr);
    // no notebook at all
    host.book = nullptr;
    EXPECT_EQ(0, Invoke(nb, L"GetFolderCount").result.lVal);
    EXPECT_EQ(E_FAIL, Invoke(nb, L"GetFolderDefault").hr);
    EXPECT_EQ(E_INVALIDARG, Invoke(nb, L"GetFolderItem", {CComVariant(0L)}).hr);
}

TEST_F(AutomationObjects, DirectlyCreatedFolderAndTagObjectsHoldNothing)
{
    CComPtr<IPeloraFolder> folder;
    ASSERT_HRESULT_SUCCEEDED(FolderClass::CreateInstance(&folder));
    CComPtr<IPeloraTag> tag;
    ASSERT_HRESULT_SUCCEEDED(TagClass::CreateInstance(&tag));
    BSTR name = nullptr;
    long n = 0;
    EXPECT_EQ(E_POINTER, folder->GetFolderName(&name));
    EXPECT_EQ(E_POINTER, folder->GetSubFolderCount(&n));
    EXPECT_EQ(E_POINTER, tag->GetTagName(&name));
    EXPECT_EQ(nullptr, name);
}

TEST_F(AutomationObjects, LoginEventReachesEverySinkOfEveryApplicationObjectWithItsSender)
{
    CComPtr<IPeloraApplication> second;
    ASSERT_HRESULT_SUCCEEDED(AppClass::CreateInstance(&second));
    EXPECT_EQ(2, CPeloraApplication::GetLiveCount());
    struct Seen {
        IUnknown* sender;
        long state;
        int sink;
    };
    std::vector<Seen> seen;
    std::vector<CComDispEventSink*> sinks;
    IPeloraApplication* targets[] = {app, app, second};  // two sinks on the first object
    for (int i = 0; i < 3; ++i) {
        CComDispEventSink* sink = nullptr;
        ASSERT_HRESULT_SUCCEEDED(CComDispEventSink::Create(
            DIID_IPeloraApplicationEvent,
            [&seen, i](DISPID id, DISPPARAMS* p, VARIANT*) {
                EXPECT_EQ(1, id);
                EXPECT_EQ(2u, p->cArgs);
                VARIANT* sender = CComDispEventSink::Arg(p, 0);
                VARIANT* state = CComDispEventSink::Arg(p, 1);
                seen.push_back({sender->vt == VT_UNKNOWN ? sender->punkVal : nullptr, state->vt == VT_I4 ? state->lVal : -9, i});
                return i == 0 ? E_FAIL : S_OK;  // a failing sink does not stop the others
            },
            &sink));
        ASSERT_HRESULT_SUCCEEDED(sink->Advise(targets[i]));
        sinks.push_back(sink);
    }
    CPeloraApplication::FireLoginChangedAll(LoginInProgress);
    ASSERT_EQ(3u, seen.size());
    CComPtr<IUnknown> first, other;
    app->QueryInterface(IID_IUnknown, (void**)&first);
    second->QueryInterface(IID_IUnknown, (void**)&other);
    for (const Seen& s : seen) {
        EXPECT_EQ(1, s.state);
        EXPECT_TRUE(s.sender == (s.sink == 2 ? other.p : first.p)) << "sink " << s.sink;
    }
    for (CComDispEventSink* s : sinks) {
        s->Unadvise();
        s->Release();
    }
    first.Release();
    other.Release();
    second.Release();
    EXPECT_EQ(1, CPeloraApplication::GetLiveCount());
}

} // namespace
