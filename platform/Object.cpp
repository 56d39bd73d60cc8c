#include "platform/Object.h"

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

void AfxThrowMemoryException()
{
    static CMemoryException s_memoryException;
    throw static_cast<CMemoryException*>(&s_memoryException);
}
