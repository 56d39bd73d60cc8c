#include "platform/Collections.h"

#include <new>

template <typename TChar>
CStringArrayT<TChar>::CStringArrayT() : m_pData(NULL), m_nSize(0), m_nMaxSize(0), m_nGrowBy(-1) {}

template <typename TChar>
CStringArrayT<TChar>::~CStringArrayT()
{
    delete[] m_pData;
}

template <typename TChar>
void CStringArrayT<TChar>::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy)
{
    if (nGrowBy >= 0)
        m_nGrowBy = nGrowBy;
    if (nNewSize < 0 || nNewSize > static_cast<INT_PTR>(0x7FFFFFFF / sizeof(String)))
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
    // Grow by the step, or by an eighth of the size (at least 4, at most 1024).
    INT_PTR nGrow = m_nGrowBy;
    if (nGrow <= 0) {
        nGrow = m_nSize / 8;
        nGrow = nGrow < 4 ? 4 : (nGrow > 1024 ? 1024 : nGrow);
    }
    INT_PTR nNewMax = m_nMaxSize + nGrow > nNewSize ? m_nMaxSize + nGrow : nNewSize;
    String* pNew = new (std::nothrow) String[static_cast<size_t>(nNewMax)];
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

template <typename TChar>
void CStringArrayT<TChar>::SetAtGrow(INT_PTR nIndex, const TChar* pszElement)
{
    // Growing moves the strings without moving their characters, so pszElement stays
    // valid even when it is the text of an element of this array.
    if (nIndex >= m_nSize)
        SetSize(nIndex + 1, -1);
    m_pData[nIndex] = pszElement;
}

template <typename TChar>
INT_PTR CStringArrayT<TChar>::Add(const TChar* pszElement)
{
    INT_PTR nIndex = m_nSize;
    SetAtGrow(nIndex, pszElement);
    return nIndex;
}

template <typename TChar>
CStringListT<TChar>::CStringListT(INT_PTR nBlockSize)
    : m_pHead(NULL), m_pTail(NULL), m_nCount(0), m_nBlockSize(nBlockSize)
{
}

template <typename TChar>
CStringListT<TChar>::~CStringListT()
{
    RemoveAll();
}

template <typename TChar>
POSITION CStringListT<TChar>::AddTail(const TChar* pszElement)
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
    ++m_nCount;
    return reinterpret_cast<POSITION>(pNode);
}

template <typename TChar>
void CStringListT<TChar>::AddTail(const CStringListT* pNewList)
{
    // Counted, so that appending a list to itself copies each string once.
    const CNode* pNode = pNewList->m_pHead;
    for (INT_PTR n = pNewList->m_nCount; n > 0 && pNode != NULL; --n, pNode = pNode->pNext)
        AddTail(pNode->data);
}

template <typename TChar>
void CStringListT<TChar>::RemoveAll()
{
    CNode* pNode = m_pHead;
    while (pNode != NULL) {
        CNode* pNext = pNode->pNext;
        delete pNode;
        pNode = pNext;
    }
    m_pHead = m_pTail = NULL;
    m_nCount = 0;
}

template <typename TChar>
const CStringT<TChar>& CStringListT<TChar>::GetNext(POSITION& rPosition) const
{
    const CNode* pNode = reinterpret_cast<const CNode*>(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pNext);
    return pNode->data;
}

template <typename TChar>
CStringT<TChar>& CStringListT<TChar>::GetNext(POSITION& rPosition)
{
    CNode* pNode = reinterpret_cast<CNode*>(rPosition);
    rPosition = reinterpret_cast<POSITION>(pNode->pNext);
    return pNode->data;
}

template class CStringArrayT<char>;
template class CStringArrayT<WCHAR>;
template class CStringListT<char>;
template class CStringListT<WCHAR>;
