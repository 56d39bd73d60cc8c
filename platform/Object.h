// Root object and the framework's exceptions.
//
// Exceptions are thrown as pointers, as the framework does: the catcher owns
// the object and frees it with Delete().
#pragma once

#include <windows.h>

class CObject
{
public:
    virtual ~CObject() {}

protected:
    CObject() {}

private:
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
};

class CException : public CObject
{
public:
    // Frees a thrown exception; the shared memory exception is never freed.
    void Delete();

protected:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

private:
    BOOL m_bAutoDelete;
};

// Raised when an allocation fails. There is one preallocated instance, since
// a failed allocation cannot be answered by allocating another object.
class CMemoryException : public CException
{
public:
    CMemoryException() : CException(FALSE) {}
};

[[noreturn]] void AfxThrowMemoryException();
