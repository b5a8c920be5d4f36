// Registry-script interpreter and registry tree helpers that honour the 32/64-bit views.
#include "ComRegistrar.h"
#include <cwctype>
#include <cwchar>

namespace {

struct Token {
  std::wstring text;
  bool quoted = false;
  int line = 1;
};

struct Node {
  enum Flag { Plain, ForceRemove, NoRemove, Delete };
  std::wstring name;
  Flag flag = Plain;
  bool isValue = false;  // "val name = ..." inside a key
  bool hasData = false;
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
  std::vector<Node> children;
  int line = 0;
};

struct Root {
  HKEY key;
  std::vector<Node> children;
};

bool SameText(const std::wstring& a, LPCWSTR b) { return _wcsicmp(a.c_str(), b) == 0; }

class Parser {
public:
  Parser(LPCWSTR text, const std::vector<std::pair<std::wstring, std::wstring>>& repl)
      : m_text(text ? text : L""), m_repl(repl) {}

  bool Parse(std::vector<Root>& roots) {
    Tokenize();
    while (!Failed() && m_pos < m_tokens.size()) {
      const Token& t = m_tokens[m_pos++];
      Root root;
      root.key = RootKey(t);
      if (!root.key) return Fail(t.line, L"unknown root key '" + t.text + L"'");
      if (!Expect(L"{")) return false;
      if (!ParseKeys(root.children, 0)) return false;
      roots.push_back(std::move(root));
    }
    return !Failed();
  }

  std::wstring error;
  int errorLine = 0;

private:
  bool Failed() const { return !error.empty(); }
  bool Fail(int line, const std::wstring& what) {
    if (error.empty()) {
      error = what;
      errorLine = line;
    }
    return false;
  }

  void Tokenize() {
    int line = 1;
    size_t i = 0, n = m_text.size();
    while (i < n && !Failed()) {
      wchar_t c = m_text[i];
      if (c == L'\n') ++line;
      if (iswspace(c)) {
        ++i;
        continue;
      }
      Token t;
      t.line = line;
      if (c == L'\'') {
        t.quoted = true;
        ++i;
        bool closed = false;
        while (i < n) {
          if (m_text[i] == L'\'') {
            if (i + 1 < n && m_text[i + 1] == L'\'') {
              t.text += L'\'';
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          if (m_text[i] == L'\n') ++line;
          t.text += m_text[i++];
        }
        if (!closed) Fail(t.line, L"unterminated quoted text");
      } else {
        while (i < n && !iswspace(m_text[i])) t.text += m_text[i++];
      }
      m_tokens.push_back(std::move(t));
    }
  }

  bool IsPunct(const Token& t, LPCWSTR p) const { return !t.quoted && t.text == p; }
  bool IsKeyword(const Token& t, LPCWSTR k) const { return !t.quoted && SameText(t.text, k); }
  const Token* Peek() const { return m_pos < m_tokens.size() ? &m_tokens[m_pos] : nullptr; }
  int LastLine() const { return m_tokens.empty() ? 1 : m_tokens.back().line; }

  bool Expect(LPCWSTR p) {
    const Token* t = Peek();
    if (!t || !IsPunct(*t, p)) return Fail(t ? t->line : LastLine(), std::wstring(L"expected '") + p + L"'");
    ++m_pos;
    return true;
  }

  HKEY RootKey(const Token& t) const {
    if (t.quoted) return nullptr;
    static const struct {
      LPCWSTR shortName, longName;
      HKEY key;
    } roots[] = {
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKU", L"HKEY_USERS", HKEY_USERS},
        {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const auto& r : roots)
      if (SameText(t.text, r.shortName) || SameText(t.text, r.longName)) return r.key;
    return nullptr;
  }

  // %NAME% from the map, %% as one %.
  bool Expand(const Token& t, std::wstring& out) {
    out.clear();
    const std::wstring& s = t.text;
    for (size_t i = 0; i < s.size(); ++i) {
      if (s[i] != L'%') {
        out += s[i];
        continue;
      }
      size_t end = s.find(L'%', i + 1);
      if (end == std::wstring::npos) return Fail(t.line, L"unmatched '%' in '" + s + L"'");
      if (end == i + 1) {
        out += L'%';
      } else {
        std::wstring name = s.substr(i + 1, end - i - 1);
        bool found = false;
        for (const auto& r : m_repl) {
          if (_wcsicmp(r.first.c_str(), name.c_str()) == 0) {
            out += r.second;
            found = true;
            break;
          }
        }
        if (!found) return Fail(t.line, L"no replacement for %" + name + L"%");
      }
      i = end;
    }
    return true;
  }

  bool ParseData(Node& node) {
    if (m_pos + 1 >= m_tokens.size()) return Fail(LastLine(), L"value expected after '='");
    const Token& typeTok = m_tokens[m_pos++];
    const Token& valTok = m_tokens[m_pos++];
    std::wstring value;
    if (!Expand(valTok, value)) return false;
    node.hasData = true;
    if (IsKeyword(typeTok, L"s") || IsKeyword(typeTok, L"e")) {
      node.type = IsKeyword(typeTok, L"s") ? REG_SZ : REG_EXPAND_SZ;
      const BYTE* p = reinterpret_cast<const BYTE*>(value.c_str());
      node.data.assign(p, p + (value.size() + 1) * sizeof(wchar_t));
    } else if (IsKeyword(typeTok, L"d")) {
      node.type = REG_DWORD;
      wchar_t* end = nullptr;
      DWORD v = (DWORD)wcstoul(value.c_str(), &end, 0);
      if (value.empty() || (end && *end)) return Fail(valTok.line, L"not a number: '" + value + L"'");
      const BYTE* p = reinterpret_cast<const BYTE*>(&v);
      node.data.assign(p, p + sizeof v);
    } else if (IsKeyword(typeTok, L"b")) {
      node.type = REG_BINARY;
      if (value.size() % 2) return Fail(valTok.line, L"odd number of hex digits");
      for (size_t i = 0; i < value.size(); i += 2) {
        if (!iswxdigit(value[i]) || !iswxdigit(value[i + 1])) return Fail(valTok.line, L"not hex: '" + value + L"'");
        node.data.push_back((BYTE)wcstoul(value.substr(i, 2).c_str(), nullptr, 16));
      }
    } else {
      return Fail(typeTok.line, L"unknown value type '" + typeTok.text + L"'");
    }
    return true;
  }

  bool ParseKeys(std::vector<Node>& out, int depth) {
    if (depth > 64) return Fail(LastLine(), L"keys nested too deep");
    for (;;) {
      const Token* t = Peek();
      if (!t) return Fail(LastLine(), L"missing '}'");
      ++m_pos;
      if (IsPunct(*t, L"}")) return true;
      Node node;
      node.line = t->line;
      if (IsKeyword(*t, L"ForceRemove") || IsKeyword(*t, L"NoRemove") || IsKeyword(*t, L"Delete")) {
        node.flag = IsKeyword(*t, L"ForceRemove") ? Node::ForceRemove
                    : IsKeyword(*t, L"NoRemove")  ? Node::NoRemove
                                                  : Node::Delete;
        t = Peek();
        if (!t) return Fail(LastLine(), L"key name expected");
        ++m_pos;
      }
      if (IsKeyword(*t, L"val")) {
        if (node.flag != Node::Plain) return Fail(t->line, L"a value cannot take ForceRemove, NoRemove or Delete");
        node.isValue = true;
        t = Peek();
        if (!t) return Fail(LastLine(), L"value name expected");
        ++m_pos;
      }
      if (IsPunct(*t, L"{") || IsPunct(*t, L"}") || IsPunct(*t, L"=")) return Fail(t->line, L"name expected");
      if (!Expand(*t, node.name)) return false;
      if (!node.isValue && node.name.empty()) return Fail(t->line, L"empty key name");
      t = Peek();
      if (t && IsPunct(*t, L"=")) {
        ++m_pos;
        if (!ParseData(node)) return false;
      } else if (node.isValue) {
        return Fail(node.line, L"'val " + node.name + L"' needs '= type value'");
      }
      t = Peek();
      if (t && IsPunct(*t, L"{")) {
        if (node.isValue) return Fail(t->line, L"a value cannot have subkeys");
        ++m_pos;
        if (!ParseKeys(node.children, depth + 1)) return false;
      }
      out.push_back(std::move(node));
    }
  }

  std::wstring m_text;
  const std::vector<std::pair<std::wstring, std::wstring>>& m_repl;
  std::vector<Token> m_tokens;
  size_t m_pos = 0;
};

LONG SetData(HKEY key, LPCWSTR name, const Node& n) {
  return RegSetValueExW(key, name, 0, n.type, n.data.empty() ? nullptr : n.data.data(), (DWORD)n.data.size());
}

LONG RegisterChildren(HKEY key, const std::vector<Node>& children, DWORD view);

LONG RegisterKey(HKEY parent, const Node& n, DWORD view) {
  if (n.flag == Node::Delete) return ComRegDeleteTree(parent, n.name.c_str(), view);
  if (n.flag == Node::ForceRemove) {
    LONG err = ComRegDeleteTree(parent, n.name.c_str(), view);
    if (err != ERROR_SUCCESS) return err;
  }
  HKEY key;
  LONG err = RegCreateKeyExW(parent, n.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr, &key, nullptr);
  if (err != ERROR_SUCCESS) return err;
  if (n.hasData) err = SetData(key, nullptr, n);
  if (err == ERROR_SUCCESS) err = RegisterChildren(key, n.children, view);
  RegCloseKey(key);
  return err;
}

LONG RegisterChildren(HKEY key, const std::vector<Node>& children, DWORD view) {
  for (const Node& c : children) {
    LONG err = c.isValue ? SetData(key, c.name.c_str(), c) : RegisterKey(key, c, view);
    if (err != ERROR_SUCCESS) return err;
  }
  return ERROR_SUCCESS;
}

LONG UnregisterChildren(HKEY key, const std::vector<Node>& children, DWORD view);

LONG UnregisterKey(HKEY parent, const Node& n, DWORD view) {
  if (n.flag == Node::Delete) return ERROR_SUCCESS;
  if (n.flag == Node::ForceRemove) return ComRegDeleteTree(parent, n.name.c_str(), view);
  HKEY key;
  LONG err = RegOpenKeyExW(parent, n.name.c_str(), 0, KEY_READ | KEY_WRITE | view, &key);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (err != ERROR_SUCCESS) return err;
  err = UnregisterChildren(key, n.children, view);
  DWORD subKeys = 0;
  if (err == ERROR_SUCCESS)
    err = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr);
  RegCloseKey(key);
  if (err != ERROR_SUCCESS || n.flag == Node::NoRemove || subKeys > 0) return err;
  err = RegDeleteKeyExW(parent, n.name.c_str(), view, 0);
  return err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}

LONG UnregisterChildren(HKEY key, const std::vector<Node>& children, DWORD view) {
  for (const Node& c : children) {
    LONG err;
    if (c.isValue) {
      err = RegDeleteValueW(key, c.name.c_str());
      if (err == ERROR_FILE_NOT_FOUND) err = ERROR_SUCCESS;
    } else {
      err = UnregisterKey(key, c, view);
    }
    if (err != ERROR_SUCCESS) return err;
  }
  return ERROR_SUCCESS;
}

std::wstring TextOfResource(HINSTANCE module, UINT id, LPCWSTR type) {
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  HGLOBAL mem = res ? LoadResource(module, res) : nullptr;
  const BYTE* p = mem ? static_cast<const BYTE*>(LockResource(mem)) : nullptr;
  DWORD size = res ? SizeofResource(module, res) : 0;
  std::wstring text;
  if (!p || !size) return text;
  if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
    text.assign(reinterpret_cast<const wchar_t*>(p + 2), (size - 2) / 2);
  } else {
    if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
      p += 3;
      size -= 3;
    }
    UINT cp = CP_UTF8;
    int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, (LPCSTR)p, (int)size, nullptr, 0);
    if (n <= 0) {  // not UTF-8: the system's 8-bit code page
      cp = CP_ACP;
      n = MultiByteToWideChar(cp, 0, (LPCSTR)p, (int)size, nullptr, 0);
    }
    if (n > 0) {
      text.resize((size_t)n);
      MultiByteToWideChar(cp, 0, (LPCSTR)p, (int)size, &text[0], n);
    }
  }
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text;
}

}  // namespace

void CComRegistrar::AddReplacement(LPCWSTR name, LPCWSTR value) {
  for (auto& r : m_replacements) {
    if (_wcsicmp(r.first.c_str(), name) == 0) {
      r.second = value ? value : L"";
      return;
    }
  }
  m_replacements.emplace_back(name, value ? value : L"");
}

HRESULT CComRegistrar::Run(LPCWSTR script, bool reg) {
  m_error.clear();
  m_errorLine = 0;
  Parser parser(script, m_replacements);
  std::vector<Root> roots;
  if (!parser.Parse(roots)) {
    m_error = parser.error;
    m_errorLine = parser.errorLine;
    return DISP_E_EXCEPTION;
  }
  DWORD passes[2] = {m_views & ComRegView64, m_views & ComRegView32};
  int count = (passes[0] && passes[1]) ? 2 : 1;
  if (count == 1) passes[0] = m_views;
  for (int i = 0; i < count; ++i) {
    for (const Root& root : roots) {
      LONG err = reg ? RegisterChildren(root.key, root.children, passes[i])
                     : UnregisterChildren(root.key, root.children, passes[i]);
      if (err != ERROR_SUCCESS) {
        m_error = L"registry write failed";
        return HRESULT_FROM_WIN32(err);
      }
    }
  }
  return S_OK;
}

HRESULT CComRegistrar::RunResource(HINSTANCE module, UINT id, LPCWSTR type, bool reg) {
  std::wstring text = TextOfResource(module, id, type);
  if (text.empty()) {
    m_error = L"script resource not found";
    return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  return Run(text.c_str(), reg);
}

HRESULT CComRegistrar::ResourceRegister(HINSTANCE module, UINT id, LPCWSTR type) {
  return RunResource(module, id, type, true);
}

HRESULT CComRegistrar::ResourceUnregister(HINSTANCE module, UINT id, LPCWSTR type) {
  return RunResource(module, id, type, false);
}

// ---- tree helpers ----

DWORD ComRegNativeView() { return sizeof(void*) == 8 ? ComRegView64 : ComRegView32; }

LONG ComRegDeleteTree(HKEY parent, LPCWSTR subKey, DWORD view) {
  HKEY key;
  LONG err = RegOpenKeyExW(parent, subKey, 0, KEY_READ | view, &key);
  if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (err != ERROR_SUCCESS) return err;
  // names first: deleting while enumerating would shift the indices
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    err = RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (err != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  err = ERROR_SUCCESS;
  for (const auto& n : names) {
    err = ComRegDeleteTree(key, n.c_str(), view);
    if (err != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  if (err != ERROR_SUCCESS) return err;
  err = RegDeleteKeyExW(parent, subKey, view, 0);
  return err == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : err;
}

LONG ComRegCopyTree(HKEY root, LPCWSTR path, DWORD fromView, DWORD toView) {
  HKEY src, dst;
  LONG err = RegOpenKeyExW(root, path, 0, KEY_READ | fromView, &src);
  if (err != ERROR_SUCCESS) return err;
  err = RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_READ | KEY_WRITE | toView, nullptr, &dst, nullptr);
  if (err != ERROR_SUCCESS) {
    RegCloseKey(src);
    return err;
  }
  DWORD maxName = 0, maxData = 0, maxKey = 0;
  err = RegQueryInfoKeyW(src, nullptr, nullptr, nullptr, nullptr, &maxKey, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr);
  std::vector<wchar_t> name(maxName + 2);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD i = 0; err == ERROR_SUCCESS; ++i) {
    DWORD nameLen = (DWORD)name.size(), dataLen = (DWORD)data.size(), type = 0;
    LONG e = RegEnumValueW(src, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (e == ERROR_NO_MORE_ITEMS) break;
    err = e != ERROR_SUCCESS ? e : RegSetValueExW(dst, name.data(), 0, type, data.data(), dataLen);
  }
  std::vector<std::wstring> subKeys;
  std::vector<wchar_t> keyName(maxKey + 2);
  for (DWORD i = 0; err == ERROR_SUCCESS; ++i) {
    DWORD len = (DWORD)keyName.size();
    LONG e = RegEnumKeyExW(src, i, keyName.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (e == ERROR_NO_MORE_ITEMS) break;
    if (e != ERROR_SUCCESS) err = e;
    else subKeys.emplace_back(keyName.data(), len);
  }
  RegCloseKey(src);
  RegCloseKey(dst);
  for (const auto& k : subKeys) {
    if (err != ERROR_SUCCESS) break;
    err = ComRegCopyTree(root, (std::wstring(path) + L"\\" + k).c_str(), fromView, toView);
  }
  return err;
}
