// Small utilities of the notes model: the map from a note's itemid to its item, and the mutex
// with its scoped lock that guards the tag list.
#pragma once
#include "Framework.h"

namespace Pelora {

class CNoteItem;

// A fixed binary partition of the 32-bit key space: the root's key is 0x80000000 and each level
// halves the step, so a key's node sits at a depth given by its lowest set bit. Nodes on the
// way to a key exist without a value. Key 0 is not valid.
class CIdTree {
public:
    struct CNode {
        CNode* left = nullptr;
        CNode* right = nullptr;
        CNode* parent = nullptr;
        CNoteItem* value = nullptr;
        unsigned key = 0;
        int present = 0;
    };

    CIdTree() = default;
    ~CIdTree() { Clear(); }
    CIdTree(const CIdTree&) = delete;
    CIdTree& operator=(const CIdTree&) = delete;

    // Stores value under key (an existing value is replaced).
    void Insert(unsigned key, CNoteItem* value);
    // The present flag of the key's node; out gets its value or null.
    int Find(unsigned key, CNoteItem*& out) const;
    // The first present node in walk order (pre-order: node, left, right), or null.
    CNode* First() const;
    // Returns the cursor's key and value and moves the cursor to the next present node (null
    // at the end).
    void Next(CNode*& cursor, unsigned& key, CNoteItem*& value) const;
    // Deletes every node.
    void Clear();
    // Deletes only the root object (its subtree is assumed gone already).
    void Reset();
    bool IsEmpty() const { return m_root == nullptr; }

private:
    static CNode* NextInWalk(CNode* node);
    CNode* m_root = nullptr;
};

// The tag list's lock: recursive for its owner thread, never named or shared with another
// process. A critical section, not a kernel mutex: every tag operation takes it, and a kernel
// object costs a round trip to the system on each wait and release.
class CMutex {
public:
    CMutex() { InitializeCriticalSection(&m_section); }
    ~CMutex() { DeleteCriticalSection(&m_section); }
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;
    void Lock() { EnterCriticalSection(&m_section); }
    bool TryLock() { return TryEnterCriticalSection(&m_section) != FALSE; }
    void Unlock() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Waits for the mutex without time-out; releases it at Release or destruction when the wait
// succeeded.
class CScopedMutexLock {
public:
    explicit CScopedMutexLock(CMutex* mutex);
    ~CScopedMutexLock() { Release(); }
    CScopedMutexLock(const CScopedMutexLock&) = delete;
    CScopedMutexLock& operator=(const CScopedMutexLock&) = delete;
    void Release();
    DWORD GetWaitResult() const { return m_wait; }

private:
    CMutex* m_mutex = nullptr;
    DWORD m_wait = (DWORD)-1;
};

} // namespace Pelora
