// Collections with the framework's iteration style (POSITION cookies, GetNext/GetNextAssoc).
//
// Iteration order:
// - lists: head to tail;
// - arrays: by index;
// - maps (CMap and the CMapXToY classes): the order in which the keys were first added.
//   Assigning to an existing key keeps its place; removing a key and adding it again moves it
//   to the end. The order never depends on hash values or table size, so text built by joining
//   a map (style and attribute lists) comes out the same on every run.
//
// Removing during iteration: GetNext/GetNextAssoc move the cookie past the element they return,
// so the element just returned may be removed (RemoveAt with its saved POSITION, RemoveKey)
// without disturbing the walk. The block-size arguments are accepted and not needed.
#pragma once
#include "FxObject.h"
#include <vector>
#include <utility>
#include <functional>

// ---------------------------------------------------------------------------------------------
// Map key hashing. Strings hash by content (a CString key and an LPCTSTR argument agree); other
// keys use std::hash. Give a key type of your own an overload of HashKey.
inline UINT FxHashChars(const wchar_t* s) {
  UINT h = 2166136261u;
  if (s) for (; *s; ++s) { h ^= (UINT)*s; h *= 16777619u; }
  return h;
}
inline UINT FxHashChars(const char* s) {
  UINT h = 2166136261u;
  if (s) for (; *s; ++s) { h ^= (UINT)(unsigned char)*s; h *= 16777619u; }
  return h;
}
template <class K> inline UINT HashKey(const K& key) { return (UINT)std::hash<K>()(key); }
inline UINT HashKey(const wchar_t* key) { return FxHashChars(key); }
inline UINT HashKey(const char* key) { return FxHashChars(key); }
inline UINT HashKey(const CStringW& key) { return FxHashChars(key.GetString()); }
inline UINT HashKey(const CStringA& key) { return FxHashChars(key.GetString()); }

// ---------------------------------------------------------------------------------------------
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() {}
  INT_PTR GetSize() const { return (INT_PTR)m_v.size(); }
  INT_PTR GetCount() const { return (INT_PTR)m_v.size(); }
  BOOL IsEmpty() const { return m_v.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    (void)growBy;
    m_v.resize(newSize < 0 ? 0 : (size_t)newSize);
  }
  void FreeExtra() { m_v.shrink_to_fit(); }
  void RemoveAll() { m_v.clear(); }

  // Out-of-range indexes throw CInvalidArgException rather than touching other memory.
  const TYPE& GetAt(INT_PTR i) const { Check(i); return m_v[i]; }
  TYPE& GetAt(INT_PTR i) { Check(i); return m_v[i]; }
  void SetAt(INT_PTR i, ARG_TYPE e) { Check(i); m_v[i] = e; }
  TYPE& ElementAt(INT_PTR i) { Check(i); return m_v[i]; }
  const TYPE& ElementAt(INT_PTR i) const { Check(i); return m_v[i]; }
  const TYPE& operator[](INT_PTR i) const { return GetAt(i); }
  TYPE& operator[](INT_PTR i) { return GetAt(i); }
  const TYPE* GetData() const { return m_v.data(); }
  TYPE* GetData() { return m_v.data(); }

  void SetAtGrow(INT_PTR i, ARG_TYPE e) {
    if (i < 0) AfxThrowInvalidArgException();
    TYPE copy(e);  // e may refer into the array
    if (i >= GetSize()) m_v.resize(i + 1);
    m_v[i] = std::move(copy);
  }
  INT_PTR Add(ARG_TYPE e) { m_v.push_back(TYPE(e)); return GetSize() - 1; }
  INT_PTR Append(const CArray& src) {
    INT_PTR old = GetSize();
    if (&src == this) { std::vector<TYPE> c(m_v); m_v.insert(m_v.end(), c.begin(), c.end()); }
    else m_v.insert(m_v.end(), src.m_v.begin(), src.m_v.end());
    return old;
  }
  void Copy(const CArray& src) { if (&src != this) m_v = src.m_v; }
  void InsertAt(INT_PTR index, ARG_TYPE e, INT_PTR count = 1) {
    if (index < 0 || count < 0) AfxThrowInvalidArgException();
    TYPE copy(e);
    if (index > GetSize()) m_v.resize(index);
    m_v.insert(m_v.begin() + index, (size_t)count, copy);
  }
  void InsertAt(INT_PTR start, CArray* src) {
    if (!src || start < 0) AfxThrowInvalidArgException();
    std::vector<TYPE> c(src->m_v);
    if (start > GetSize()) m_v.resize(start);
    m_v.insert(m_v.begin() + start, c.begin(), c.end());
  }
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || index + count > GetSize()) AfxThrowInvalidArgException();
    m_v.erase(m_v.begin() + index, m_v.begin() + index + count);
  }

 private:
  void Check(INT_PTR i) const { if (i < 0 || i >= GetSize()) AfxThrowInvalidArgException(); }
  std::vector<TYPE> m_v;
};

// ---------------------------------------------------------------------------------------------
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
  struct CNode {
    CNode* pNext;
    CNode* pPrev;
    TYPE data;
    explicit CNode(ARG_TYPE e) : pNext(nullptr), pPrev(nullptr), data(e) {}
  };
  static CNode* N(POSITION p) { return reinterpret_cast<CNode*>(p); }
  static POSITION P(CNode* n) { return reinterpret_cast<POSITION>(n); }

 public:
  explicit CList(INT_PTR blockSize = 10) { (void)blockSize; }
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_count; }
  INT_PTR GetSize() const { return m_count; }
  BOOL IsEmpty() const { return m_count == 0; }

  TYPE& GetHead() { NotEmpty(); return m_head->data; }
  const TYPE& GetHead() const { NotEmpty(); return m_head->data; }
  TYPE& GetTail() { NotEmpty(); return m_tail->data; }
  const TYPE& GetTail() const { NotEmpty(); return m_tail->data; }
  TYPE RemoveHead() { NotEmpty(); TYPE r = m_head->data; RemoveAt(P(m_head)); return r; }
  TYPE RemoveTail() { NotEmpty(); TYPE r = m_tail->data; RemoveAt(P(m_tail)); return r; }

  POSITION AddHead(ARG_TYPE e) { return InsertBefore(P(m_head), e); }
  POSITION AddTail(ARG_TYPE e) { return InsertAfter(P(m_tail), e); }
  void AddHead(CList* other) {
    if (!other) return;
    std::vector<TYPE> c;
    for (CNode* n = other->m_head; n; n = n->pNext) c.push_back(n->data);
    for (size_t i = c.size(); i-- > 0;) AddHead(c[i]);
  }
  void AddTail(CList* other) {
    if (!other) return;
    std::vector<TYPE> c;
    for (CNode* n = other->m_head; n; n = n->pNext) c.push_back(n->data);
    for (auto& e : c) AddTail(e);
  }
  void RemoveAll() {
    for (CNode* n = m_head; n;) { CNode* next = n->pNext; delete n; n = next; }
    m_head = m_tail = nullptr;
    m_count = 0;
  }

  POSITION GetHeadPosition() const { return P(m_head); }
  POSITION GetTailPosition() const { return P(m_tail); }
  TYPE& GetNext(POSITION& pos) { CNode* n = Valid(pos); pos = P(n->pNext); return n->data; }
  const TYPE& GetNext(POSITION& pos) const { CNode* n = Valid(pos); pos = P(n->pNext); return n->data; }
  TYPE& GetPrev(POSITION& pos) { CNode* n = Valid(pos); pos = P(n->pPrev); return n->data; }
  const TYPE& GetPrev(POSITION& pos) const { CNode* n = Valid(pos); pos = P(n->pPrev); return n->data; }
  TYPE& GetAt(POSITION pos) { return Valid(pos)->data; }
  const TYPE& GetAt(POSITION pos) const { return Valid(pos)->data; }
  void SetAt(POSITION pos, ARG_TYPE e) { Valid(pos)->data = e; }

  void RemoveAt(POSITION pos) {
    CNode* n = Valid(pos);
    (n->pPrev ? n->pPrev->pNext : m_head) = n->pNext;
    (n->pNext ? n->pNext->pPrev : m_tail) = n->pPrev;
    delete n;
    --m_count;
  }
  // A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
  POSITION InsertBefore(POSITION pos, ARG_TYPE e) {
    CNode* at = N(pos);
    CNode* n = new CNode(e);
    if (!at) at = m_head;
    n->pNext = at;
    n->pPrev = at ? at->pPrev : nullptr;
    (n->pPrev ? n->pPrev->pNext : m_head) = n;
    (at ? at->pPrev : m_tail) = n;
    ++m_count;
    return P(n);
  }
  POSITION InsertAfter(POSITION pos, ARG_TYPE e) {
    CNode* at = N(pos);
    if (!at) at = m_tail;
    CNode* n = new CNode(e);
    n->pPrev = at;
    n->pNext = at ? at->pNext : nullptr;
    (n->pNext ? n->pNext->pPrev : m_tail) = n;
    (at ? at->pNext : m_head) = n;
    ++m_count;
    return P(n);
  }
  // The first element equal to `value` after `startAfter` (from the head when null).
  POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const {
    for (CNode* n = startAfter ? N(startAfter)->pNext : m_head; n; n = n->pNext)
      if (n->data == value) return P(n);
    return nullptr;
  }
  POSITION FindIndex(INT_PTR index) const {
    if (index < 0 || index >= m_count) return nullptr;
    CNode* n = m_head;
    while (index-- > 0) n = n->pNext;
    return P(n);
  }

 private:
  CNode* Valid(POSITION pos) const {
    if (!pos || pos == BEFORE_START_POSITION) AfxThrowInvalidArgException();
    return N(pos);
  }
  void NotEmpty() const { if (!m_head) AfxThrowInvalidArgException(); }

  CNode* m_head = nullptr;
  CNode* m_tail = nullptr;
  INT_PTR m_count = 0;
};

// ---------------------------------------------------------------------------------------------
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
 public:
  class CPair {
   public:
    const KEY key;
    VALUE value;

   protected:
    explicit CPair(ARG_KEY k) : key(k), value() {}
  };

 private:
  struct CAssoc : CPair {
    CAssoc* pBucketNext = nullptr;
    CAssoc* pPrev = nullptr;  // insertion order
    CAssoc* pNext = nullptr;
    UINT hash;
    CAssoc(ARG_KEY k, UINT h) : CPair(k), hash(h) {}
  };
  static CAssoc* A(POSITION p) { return reinterpret_cast<CAssoc*>(p); }

 public:
  explicit CMap(INT_PTR blockSize = 10) { (void)blockSize; }
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_count; }
  INT_PTR GetSize() const { return m_count; }
  BOOL IsEmpty() const { return m_count == 0; }
  UINT GetHashTableSize() const { return (UINT)m_buckets.size(); }
  void InitHashTable(UINT size, BOOL allocNow = TRUE) {
    (void)allocNow;
    if (m_count == 0 && size > 0) m_buckets.assign(size, nullptr);
  }

  BOOL Lookup(ARG_KEY key, VALUE& value) const {
    const CAssoc* a = Get(key);
    if (!a) return FALSE;
    value = a->value;
    return TRUE;
  }
  BOOL LookupKey(ARG_KEY key, KEY& stored) const {
    const CAssoc* a = Get(key);
    if (!a) return FALSE;
    stored = a->key;
    return TRUE;
  }
  const CPair* PLookup(ARG_KEY key) const { return Get(key); }
  CPair* PLookup(ARG_KEY key) { return Get(key); }
  // Adds the key (at the end of the iteration order) with a default value when it is missing.
  VALUE& operator[](ARG_KEY key) {
    UINT h = HashKey(key);
    if (CAssoc* a = Get(key, h)) return a->value;
    if (m_buckets.empty()) m_buckets.assign(17, nullptr);
    else if ((size_t)m_count >= m_buckets.size() * 2) Rehash(m_buckets.size() * 2 + 1);
    CAssoc* a = new CAssoc(key, h);
    UINT b = h % (UINT)m_buckets.size();
    a->pBucketNext = m_buckets[b];
    m_buckets[b] = a;
    a->pPrev = m_tail;
    (m_tail ? m_tail->pNext : m_head) = a;
    m_tail = a;
    ++m_count;
    return a->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
  BOOL RemoveKey(ARG_KEY key) {
    if (m_buckets.empty()) return FALSE;
    UINT h = HashKey(key);
    for (CAssoc** pp = &m_buckets[h % (UINT)m_buckets.size()]; *pp; pp = &(*pp)->pBucketNext) {
      CAssoc* a = *pp;
      if (a->hash == h && a->key == key) {
        *pp = a->pBucketNext;
        (a->pPrev ? a->pPrev->pNext : m_head) = a->pNext;
        (a->pNext ? a->pNext->pPrev : m_tail) = a->pPrev;
        delete a;
        --m_count;
        return TRUE;
      }
    }
    return FALSE;
  }
  void RemoveAll() {
    for (CAssoc* a = m_head; a;) { CAssoc* next = a->pNext; delete a; a = next; }
    m_head = m_tail = nullptr;
    m_count = 0;
    for (auto& b : m_buckets) b = nullptr;
  }

  POSITION GetStartPosition() const { return reinterpret_cast<POSITION>(m_head); }
  void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const {
    if (!pos || pos == BEFORE_START_POSITION) AfxThrowInvalidArgException();
    CAssoc* a = A(pos);
    pos = reinterpret_cast<POSITION>(a->pNext);
    key = a->key;
    value = a->value;
  }
  const CPair* PGetFirstAssoc() const { return m_head; }
  CPair* PGetFirstAssoc() { return m_head; }
  const CPair* PGetNextAssoc(const CPair* p) const { return p ? static_cast<const CAssoc*>(p)->pNext : nullptr; }
  CPair* PGetNextAssoc(const CPair* p) { return p ? static_cast<const CAssoc*>(p)->pNext : nullptr; }

 private:
  CAssoc* Get(ARG_KEY key) const { return Get(key, HashKey(key)); }
  CAssoc* Get(ARG_KEY key, UINT h) const {
    if (m_buckets.empty()) return nullptr;
    for (CAssoc* a = m_buckets[h % (UINT)m_buckets.size()]; a; a = a->pBucketNext)
      if (a->hash == h && a->key == key) return a;
    return nullptr;
  }
  void Rehash(size_t size) {
    m_buckets.assign(size, nullptr);
    for (CAssoc* a = m_head; a; a = a->pNext) {
      UINT b = a->hash % (UINT)size;
      a->pBucketNext = m_buckets[b];
      m_buckets[b] = a;
    }
  }

  std::vector<CAssoc*> m_buckets;
  CAssoc* m_head = nullptr;
  CAssoc* m_tail = nullptr;
  INT_PTR m_count = 0;
};

// ---------------------------------------------------------------------------------------------
// The named collections.

class CStringList : public CList<CString, LPCTSTR> {
 public:
  explicit CStringList(INT_PTR blockSize = 10) : CList(blockSize) {}
};
class CPtrList : public CList<void*, void*> {
 public:
  explicit CPtrList(INT_PTR blockSize = 10) : CList(blockSize) {}
};
class CObList : public CList<CObject*, CObject*> {
 public:
  explicit CObList(INT_PTR blockSize = 10) : CList(blockSize) {}
};

class CStringArray : public CArray<CString, LPCTSTR> {};
class CPtrArray : public CArray<void*, void*> {};
class CObArray : public CArray<CObject*, CObject*> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};

class CMapStringToString : public CMap<CString, LPCTSTR, CString, LPCTSTR> {
 public:
  explicit CMapStringToString(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapStringToPtr : public CMap<CString, LPCTSTR, void*, void*> {
 public:
  explicit CMapStringToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapStringToOb : public CMap<CString, LPCTSTR, CObject*, CObject*> {
 public:
  explicit CMapStringToOb(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {
 public:
  explicit CMapPtrToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {
 public:
  explicit CMapWordToPtr(INT_PTR blockSize = 10) : CMap(blockSize) {}
};
