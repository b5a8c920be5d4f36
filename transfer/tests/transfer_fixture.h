// Shared helpers of the import tests: a notebook over a fresh store, fixture files written by
// the tests themselves, and a window that records the progress messages a reader sends.
#pragma once
#include "model_fixture.h"
#include "ImportFile.h"
#include <string>
#include <vector>

namespace TransferTest {

std::string Base64(const std::string& bytes);
std::string Md5Hex(const std::string& bytes);
std::string Utf8(const CString& text);
// The bytes of a small valid PNG of w x h pixels of one colour.
std::string TinyPng(int w, int h, unsigned rgb);

// Records WM_IMPORT_* messages as lines ("notes 3", "note 0 Title", "note 1") and frees texts.
class ProgressRecorder {
public:
    ProgressRecorder();
    ~ProgressRecorder();
    HWND Wnd() const { return m_wnd; }
    std::vector<std::string> lines;
    // When set, called for every WM_IMPORT_UPDATE_INFO before recording it.
    void (*onNote)(void* data, WPARAM index, const wchar_t* title) = nullptr;
    void* onNoteData = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_wnd = nullptr;
};

class ImportFixture : public ModelTest::NotebookFixture {
protected:
    void SetUp() override;
    CString Write(const wchar_t* name, const std::string& bytes);
    // Rows of the store as counted by SQL.
    int Count(const char* sql) { return StoreInt(sql); }
    std::string Text(const char* sql);
    // A loaded note's stored body as UTF-8.
    std::string Body(Pelora::CNoteItem* note);
    Pelora::CFolderItem* FolderNamed(const wchar_t* name, Pelora::CFolderItem* parent = nullptr);
    std::vector<std::string> TagsOf(Pelora::CNoteItem* note);
    ProgressRecorder progress;
};

} // namespace TransferTest
