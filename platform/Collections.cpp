#include "platform/Collections.h"

#include <new>

CStringArrayW::CStringArrayW() : m_pData(NULL), m_nSize(0), m_nMaxSize(0) {}

CStringArrayW::~CStringArrayW()
{
    delete[] m_pData;
}

void CStringArrayW::SetSize(INT_PTR nNewSize, INT_PTR)
{
    if (nNewSize < 0 || nNewSize > static_cast<INT_PTR>(0x7FFFFFFF / sizeof(CStringW)))
        AfxThrowMemoryException();
    if (nNewSize == 0) {
        delete[] m_pData;
        m_pData = NULL;
        m_nSize = m_nMaxSize = 0;
        return;
    }
    if (nNewSize <= m_nMaxSize) {
        for (INT_PTR i = nNewSize; i < m_nSize; ++i)
            m_pData[i].Empty();
        m_nSize = nNewSize;
        return;
    }
    // Grow by an eighth of the size (at least 4, at most 1024).
    INT_PTR nGrow = m_nSize / 8;
    nGrow = nGrow < 4 ? 4 : (nGrow > 1024 ? 1024 : nGrow);
    INT_PTR nNewMax = m_nMaxSize + nGrow > nNewSize ? m_nMaxSize + nGrow : nNewSize;
    CStringW* pNew = new (std::nothrow) CStringW[static_cast<size_t>(nNewMax)];
    if (pNew == NULL)
        AfxThrowMemoryException();
    // The strings move to the new block; their character buffers stay where they are.
    for (INT_PTR i = 0; i < m_nSize; ++i)
        pNew[i].Swap(m_pData[i]);
    delete[] m_pData;
    m_pData = pNew;
    m_nSize = nNewSize;
    m_nMaxSize = nNewMax;
}

void CStringArrayW::SetAtGrow(INT_PTR nIndex, LPCWSTR pszElement)
{
    // Growing moves the strings without moving their characters, so pszElement stays
    // valid even when it is the text of an element of this array.
    if (nIndex >= m_nSize)
        SetSize(nIndex + 1, -1);
    m_pData[nIndex] = pszElement;
}

INT_PTR CStringArrayW::Add(LPCWSTR pszElement)
{
    INT_PTR nIndex = m_nSize;
    SetAtGrow(nIndex, pszElement);
    return nIndex;
}

CStringListW::CStringListW() : m_pHead(NULL), m_pTail(NULL)
{
}

CStringListW::~CStringListW()
{
    RemoveAll();
}

void CStringListW::RemoveAll()
{
    while (m_pHead != NULL) {
        CNode* pNext = m_pHead->pNext;
        delete m_pHead;
        m_pHead = pNext;
    }
    m_pTail = NULL;
}

void CStringListW::AddTail(LPCWSTR pszElement)
{
    CNode* pNode = new (std::nothrow) CNode;
    if (pNode == NULL)
        AfxThrowMemoryException();
    pNode->pNext = NULL;
    try {
        pNode->data = pszElement;
    } catch (...) {
        delete pNode;
        throw;
    }
    if (m_pTail != NULL)
        m_pTail->pNext = pNode;
    else
        m_pHead = pNode;
    m_pTail = pNode;
}

const CStringW& CStringListW::GetNext(POSITION& rPosition) const
{
    const CNode* pNode = reinterpret_cast<const CNode*>(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pNext);
    return pNode->data;
}
