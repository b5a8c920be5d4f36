// Registry scripts (the .rgs syntax of COM servers) and type-library registration.
//
// Script syntax, tokens separated by white space:
//   HKCR { [ForceRemove|NoRemove|Delete] name [= type value] [{ ... }]   val name = type value }
// Roots: HKCR HKCU HKLM HKU HKCC (or their HKEY_ names). Types: s (string), e (expandable
// string), d (DWORD, decimal or 0x hex), b (binary, hex digits). Names and values may be quoted
// with '...' ('' is a quote inside). %NAME% is replaced from the replacement map and %% is one %.
// Register: ForceRemove deletes the key first; Delete deletes it; values are written.
// Unregister: ForceRemove keys are deleted whole; NoRemove keys are kept; other keys are deleted
// once their scripted subkeys are gone, unless something else still lives below them.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <vector>

// Registry views a script (or a type library) is written to.
enum ComRegView : DWORD {
  ComRegViewNative = 0,
  ComRegView32 = KEY_WOW64_32KEY,
  ComRegView64 = KEY_WOW64_64KEY,
  ComRegViewBoth = KEY_WOW64_32KEY | KEY_WOW64_64KEY,
};

class CComRegistrar {
public:
  void AddReplacement(LPCWSTR name, LPCWSTR value);
  void ClearReplacements() { m_replacements.clear(); }
  void SetViews(DWORD views) { m_views = views; }

  // The whole script is parsed before anything is written: a syntax error (DISP_E_EXCEPTION,
  // see GetError) changes nothing.
  HRESULT StringRegister(LPCWSTR script) { return Run(script, true); }
  HRESULT StringUnregister(LPCWSTR script) { return Run(script, false); }
  // A resource holding the script as 8-bit text (UTF-8) or as UTF-16 with a byte-order mark.
  HRESULT ResourceRegister(HINSTANCE module, UINT id, LPCWSTR type = L"REGISTRY");
  HRESULT ResourceUnregister(HINSTANCE module, UINT id, LPCWSTR type = L"REGISTRY");

  const std::wstring& GetError() const { return m_error; }
  int GetErrorLine() const { return m_errorLine; }

private:
  HRESULT Run(LPCWSTR script, bool reg);
  HRESULT RunResource(HINSTANCE module, UINT id, LPCWSTR type, bool reg);

  std::vector<std::pair<std::wstring, std::wstring>> m_replacements;
  DWORD m_views = ComRegViewNative;
  std::wstring m_error;
  int m_errorLine = 0;
};

// Registry helpers that take a view (ComRegView*; native when 0).
// Deletes subKey of parent with everything below it; a missing key is not an error.
LONG ComRegDeleteTree(HKEY parent, LPCWSTR subKey, DWORD view);
// Copies the key tree path below root from one view to the other (values and subkeys).
LONG ComRegCopyTree(HKEY root, LPCWSTR path, DWORD fromView, DWORD toView);
// The view this process reads by default.
DWORD ComRegNativeView();

// Loads the type library of module (resource TYPELIB 1, or index when not 0).
HRESULT ComLoadTypeLib(HINSTANCE module, UINT index, ITypeLib** out, std::wstring* path = nullptr);
// Registers it (TypeLib and Interface keys) in the native view, then copies the keys it wrote
// into the other view when views asks for both.
HRESULT ComRegisterTypeLib(HINSTANCE module, UINT index = 0, DWORD views = ComRegViewNative);
HRESULT ComUnRegisterTypeLib(HINSTANCE module, UINT index = 0, DWORD views = ComRegViewNative);
