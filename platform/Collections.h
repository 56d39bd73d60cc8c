// String collections: an indexed array and a linked list.
// A failed allocation raises CMemoryException.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

class CStringArray : public CObject
{
public:
    CStringArray();
    ~CStringArray();

    INT_PTR GetSize() const { return m_nSize; }
    INT_PTR GetCount() const { return m_nSize; }
    // New size; nGrowBy < 0 keeps the growth step. SetSize(0, -1) empties the array.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void RemoveAll() { SetSize(0, -1); }
    // Sets element nIndex, growing the array when nIndex is at or past its end.
    void SetAtGrow(INT_PTR nIndex, LPCSTR pszElement);
    INT_PTR Add(LPCSTR pszElement);

    const CString& GetAt(INT_PTR nIndex) const { return m_pData[nIndex]; }
    CString& ElementAt(INT_PTR nIndex) { return m_pData[nIndex]; }
    const CString& operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }
    CString& operator[](INT_PTR nIndex) { return m_pData[nIndex]; }

private:
    CString* m_pData;
    INT_PTR m_nSize;
    INT_PTR m_nMaxSize;
    INT_PTR m_nGrowBy;
};

struct __POSITION {};
typedef __POSITION* POSITION;

class CStringList : public CObject
{
public:
    explicit CStringList(INT_PTR nBlockSize = 10);
    ~CStringList();

    INT_PTR GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    INT_PTR GetBlockSize() const { return m_nBlockSize; }

    POSITION AddTail(LPCSTR pszElement);
    void AddTail(const CStringList* pNewList);   // appends copies of all its strings, in order
    void RemoveAll();

    // Iteration: POSITION pos = list.GetHeadPosition(); while (pos) { list.GetNext(pos); }
    POSITION GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pHead); }
    const CString& GetNext(POSITION& rPosition) const;
    CString& GetNext(POSITION& rPosition);
    const CString& GetHead() const { return m_pHead->data; }
    const CString& GetTail() const { return m_pTail->data; }

private:
    struct CNode
    {
        CNode* pNext;
        CString data;
    };

    CNode* m_pHead;
    CNode* m_pTail;
    INT_PTR m_nCount;
    INT_PTR m_nBlockSize;
};
