// String collections: an indexed array and a linked list, of CString or CStringW.
// A failed allocation raises CMemoryException.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

template <typename TChar>
class CStringArrayT : public CObject
{
public:
    typedef CStringT<TChar> String;

    CStringArrayT();
    ~CStringArrayT();

    INT_PTR GetSize() const { return m_nSize; }
    INT_PTR GetCount() const { return m_nSize; }
    // New size; nGrowBy < 0 keeps the growth step. SetSize(0, -1) empties the array.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void RemoveAll() { SetSize(0, -1); }
    // Sets element nIndex, growing the array when nIndex is at or past its end.
    void SetAtGrow(INT_PTR nIndex, const TChar* pszElement);
    INT_PTR Add(const TChar* pszElement);

    const String& GetAt(INT_PTR nIndex) const { return m_pData[nIndex]; }
    String& ElementAt(INT_PTR nIndex) { return m_pData[nIndex]; }
    const String& operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }
    String& operator[](INT_PTR nIndex) { return m_pData[nIndex]; }

private:
    String* m_pData;
    INT_PTR m_nSize;
    INT_PTR m_nMaxSize;
    INT_PTR m_nGrowBy;
};

struct __POSITION {};
typedef __POSITION* POSITION;

template <typename TChar>
class CStringListT : public CObject
{
public:
    typedef CStringT<TChar> String;

    explicit CStringListT(INT_PTR nBlockSize = 10);
    ~CStringListT();

    INT_PTR GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    INT_PTR GetBlockSize() const { return m_nBlockSize; }

    POSITION AddTail(const TChar* pszElement);
    void AddTail(const CStringListT* pNewList);   // appends copies of all its strings, in order
    void RemoveAll();

    // Iteration: POSITION pos = list.GetHeadPosition(); while (pos) { list.GetNext(pos); }
    POSITION GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pHead); }
    const String& GetNext(POSITION& rPosition) const;
    String& GetNext(POSITION& rPosition);
    const String& GetHead() const { return m_pHead->data; }
    const String& GetTail() const { return m_pTail->data; }

private:
    struct CNode
    {
        CNode* pNext;
        String data;
    };

    CNode* m_pHead;
    CNode* m_pTail;
    INT_PTR m_nCount;
    INT_PTR m_nBlockSize;
};

typedef CStringArrayT<char> CStringArray;
typedef CStringArrayT<WCHAR> CStringArrayW;
typedef CStringListT<char> CStringList;
typedef CStringListT<WCHAR> CStringListW;

extern template class CStringArrayT<char>;
extern template class CStringArrayT<WCHAR>;
extern template class CStringListT<char>;
extern template class CStringListT<WCHAR>;
