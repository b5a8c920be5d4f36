#include "IdTree.h"

namespace Pelora {

void CIdTree::Insert(unsigned key, CNoteItem* value)
{
    if (!key)
        return;
    if (!m_root) {
        m_root = new CNode;
        m_root->key = 0x80000000u;
    }
    CNode* node = m_root;
    unsigned step = 0x40000000u;
    while (node->key != key) {
        CNode*& child = key < node->key ? node->left : node->right;
        if (!child) {
            child = new CNode;
            child->parent = node;
            child->key = key < node->key ? node->key - step : node->key + step;
        }
        node = child;
        step >>= 1;
    }
    node->value = value;
    node->present = 1;
}

int CIdTree::Find(unsigned key, CNoteItem*& out) const
{
    out = nullptr;
    CNode* node = m_root;
    while (node && node->key != key)
        node = key < node->key ? node->left : node->right;
    if (!node)
        return 0;
    out = node->present ? node->value : nullptr;
    return node->present;
}

// Pre-order successor of node (present or not), or null.
CIdTree::CNode* CIdTree::NextInWalk(CNode* node)
{
    if (node->left)
        return node->left;
    if (node->right)
        return node->right;
    while (node->parent) {
        CNode* parent = node->parent;
        if (parent->left == node && parent->right)
            return parent->right;
        node = parent;
    }
    return nullptr;
}

CIdTree::CNode* CIdTree::First() const
{
    CNode* node = m_root;
    while (node && !node->present)
        node = NextInWalk(node);
    return node;
}

void CIdTree::Next(CNode*& cursor, unsigned& key, CNoteItem*& value) const
{
    if (!cursor) {
        key = 0;
        value = nullptr;
        return;
    }
    key = cursor->key;
    value = cursor->value;
    CNode* node = NextInWalk(cursor);
    while (node && !node->present)
        node = NextInWalk(node);
    cursor = node;
}

void CIdTree::Clear()
{
    // iteratively, children first: the tree is at most 32 levels deep but may be wide
    CNode* node = m_root;
    while (node) {
        if (node->left) {
            node = node->left;
        } else if (node->right) {
            node = node->right;
        } else {
            CNode* parent = node->parent;
            if (parent)
                (parent->left == node ? parent->left : parent->right) = nullptr;
            delete node;
            node = parent;
        }
    }
    m_root = nullptr;
}

void CIdTree::Reset()
{
    delete m_root;
    m_root = nullptr;
}

CScopedMutexLock::CScopedMutexLock(CMutex* mutex) : m_mutex(mutex)
{
    if (mutex) {
        mutex->Lock();
        m_wait = WAIT_OBJECT_0;
    }
}

void CScopedMutexLock::Release()
{
    if (m_mutex && m_wait == WAIT_OBJECT_0)
        m_mutex->Unlock();
    m_mutex = nullptr;
    m_wait = (DWORD)-1;
}

} // namespace Pelora
