// Collections: of CStringW an indexed array and a linked list, and a stack of objects
// on the heap. A failed allocation raises CMemoryException.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"

#include <new>

class CStringArrayW : public CObject
{
public:
    CStringArrayW();
    ~CStringArrayW();

    INT_PTR GetSize() const { return m_nSize; }
    // New size; SetSize(0, -1) empties the array. The growth step is the array's own.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    // Sets element nIndex, growing the array when nIndex is at or past its end.
    void SetAtGrow(INT_PTR nIndex, LPCWSTR pszElement);
    INT_PTR Add(LPCWSTR pszElement);

    const CStringW& operator[](INT_PTR nIndex) const { return m_pData[nIndex]; }

private:
    CStringW* m_pData;
    INT_PTR m_nSize;
    INT_PTR m_nMaxSize;
};

struct __POSITION {};
typedef __POSITION* POSITION;

class CStringListW : public CObject
{
public:
    CStringListW();
    ~CStringListW();

    void AddTail(LPCWSTR pszElement);

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
    void RemoveAll();
};

// A new T, or CMemoryException where memory has run out.
template <typename T>
T* NewObject()
{
    T* p = new (std::nothrow) T;
    if (p == NULL)
        AfxThrowMemoryException();
    return p;
}

// The objects a walk is in, the deepest on top, each owned by the stack: a walk keeps its
// place here, on the heap, so that depth costs no stack. T has a member T* pBelow.
template <typename T>
class CHeapStack
{
public:
    CHeapStack() : m_pTop(NULL) {}
    ~CHeapStack()
    {
        while (!IsEmpty())
            Pop();
    }
    BOOL IsEmpty() const { return m_pTop == NULL; }
    T& Top() const { return *m_pTop; }
    void Push(T* p)
    {
        p->pBelow = m_pTop;
        m_pTop = p;
    }
    void Pop()
    {
        T* p = m_pTop;
        m_pTop = p->pBelow;
        delete p;
    }

private:
    T* m_pTop;
    CHeapStack(const CHeapStack&) = delete;
    CHeapStack& operator=(const CHeapStack&) = delete;
};
