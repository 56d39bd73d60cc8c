// String collections of CStringW: an indexed array and a linked list.
// A failed allocation raises CMemoryException.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

class CStringArrayW : public CObject
{
public:
    CStringArrayW();
    ~CStringArrayW();

    INT_PTR GetSize() const { return m_nSize; }
    // New size; nGrowBy < 0 keeps the growth step. SetSize(0, -1) empties the array.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    // Sets element nIndex, growing the array when nIndex is at or past its end.
    void SetAtGrow(INT_PTR nIndex, LPCWSTR pszElement);
    INT_PTR Add(LPCWSTR pszElement);

    const CStringW& operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }

private:
    CStringW* m_pData;
    INT_PTR m_nSize;
    INT_PTR m_nMaxSize;
    INT_PTR m_nGrowBy;
};

struct __POSITION {};
typedef __POSITION* POSITION;

class CStringListW : public CObject
{
public:
    CStringListW();
    ~CStringListW();

    BOOL IsEmpty() const { return m_pHead == NULL; }
    void AddTail(LPCWSTR pszElement);
    void RemoveAll();

    // Iteration: POSITION pos = list.GetHeadPosition(); while (pos) { list.GetNext(pos); }
    POSITION GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pHead); }
    const CStringW& GetNext(POSITION& rPosition) const;

private:
    struct CNode
    {
        CNode* pNext;
        CStringW data;
    };

    CNode* m_pHead;
    CNode* m_pTail;
};
