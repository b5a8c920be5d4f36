#include "TextConv.h"
#include <windows.h>
#include <cstdio>
#include <cstdlib>

namespace Mailvane {
namespace {

wchar_t* ToUtf16(UINT codePage, const char* text, int spare) {
  if (!text) return nullptr;
  int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (n <= 0) {
    fputs("Failed to obtain utf8 string length\n", stdout);
    return nullptr;
  }
  wchar_t* out = static_cast<wchar_t*>(calloc((size_t)n + spare, sizeof(wchar_t)));
  if (!out) {
    fputs("Failed to allocate unicode string\n", stdout);
    return nullptr;
  }
  if (MultiByteToWideChar(codePage, 0, text, -1, out, n) != n) {
    fputs("Failed to convert to unicode\n", stdout);
    free(out);
    return nullptr;
  }
  return out;
}

char* FromUtf16(UINT codePage, const wchar_t* text, const char* name) {
  if (!text) return nullptr;
  int n = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) {
    printf("Failed to obtain required %s string length\n", name);
    return nullptr;
  }
  char* out = static_cast<char*>(malloc((size_t)n));
  if (!out) {
    printf("Failed to allocate %s string\n", name);
    return nullptr;
  }
  if (WideCharToMultiByte(codePage, 0, text, -1, out, n, nullptr, nullptr) != n) {
    fputs("Failed to convert from unicode\n", stdout);
    free(out);
    return nullptr;
  }
  return out;
}

char* Through16(UINT from, UINT to, const char* text) {
  wchar_t* wide = ToUtf16(from, text, 0);
  char* out = wide ? FromUtf16(to, wide, to == CP_UTF8 ? "utf8" : "cp1251") : nullptr;
  free(wide);
  if (!out) {
    wide = ToUtf16(CP_ACP, "Failed to convert", 0);
    out = wide ? FromUtf16(to, wide, to == CP_UTF8 ? "utf8" : "cp1251") : nullptr;
    free(wide);
  }
  return out;
}

}  // namespace

wchar_t* Utf8ToUtf16(const char* text) { return ToUtf16(CP_UTF8, text, 0); }
wchar_t* Cp1251ToUtf16(const char* text) { return ToUtf16(1251, text, 8); }
char* Utf16ToUtf8(const wchar_t* text) { return FromUtf16(CP_UTF8, text, "utf8"); }
char* Utf16ToCp1251(const wchar_t* text) { return FromUtf16(1251, text, "cp1251"); }
char* Utf8ToCp1251(const char* text) { return Through16(CP_UTF8, 1251, text); }
char* Cp1251ToUtf8(const char* text) { return Through16(1251, CP_UTF8, text); }

int Utf16ToUtf8Buffer(const wchar_t* text, char** out) {
  if (!out) return 0;
  *out = nullptr;
  if (!text) return 0;
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return 0;
  *out = Utf16ToUtf8(text);
  return *out ? n : 0;
}

void Utf8ToString(const char* text, std::wstring& out) {
  if (!text) return;
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) {
    out.clear();
    return;
  }
  out.assign((size_t)n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &out[0], n);
  out.resize((size_t)n - 1);
}

}  // namespace Mailvane
