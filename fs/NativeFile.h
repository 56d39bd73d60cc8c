// The system's native file calls, as the removal makes them: an entry opened by its full
// path or by its single name relative to an open folder, asked what it is and what the
// system named it, a folder listed through its handle. Every call goes through one table
// (RemovalCalls), the seam where a test puts a volume of its own. Used inside fs/ only: no
// status code of the system leaves it.
#pragma once

#include "platform/String.h"

#include <winternl.h>

// NTSTATUS codes the removal tells apart.
namespace NtStatus {
const LONG kBufferOverflow = static_cast<LONG>(0x80000005);
const LONG kNoMoreFiles = static_cast<LONG>(0x80000006);
const LONG kNotImplemented = static_cast<LONG>(0xC0000002);
const LONG kInvalidInfoClass = static_cast<LONG>(0xC0000003);
const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
const LONG kInvalidParameter = static_cast<LONG>(0xC000000D);
const LONG kNoSuchFile = static_cast<LONG>(0xC000000F);
const LONG kInvalidDeviceRequest = static_cast<LONG>(0xC0000010);
const LONG kObjectTypeMismatch = static_cast<LONG>(0xC0000024);
const LONG kObjectNameInvalid = static_cast<LONG>(0xC0000033);
const LONG kObjectNameNotFound = static_cast<LONG>(0xC0000034);
const LONG kObjectPathNotFound = static_cast<LONG>(0xC000003A);
const LONG kSharingViolation = static_cast<LONG>(0xC0000043);
const LONG kDeletePending = static_cast<LONG>(0xC0000056);
const LONG kNotSupported = static_cast<LONG>(0xC00000BB);
const LONG kDirectoryNotEmpty = static_cast<LONG>(0xC0000101);
const LONG kNotADirectory = static_cast<LONG>(0xC0000103);
}

// What <winternl.h> lacks: the disposition class of Windows 10 1709 and its flags.
const FILE_INFORMATION_CLASS kFileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
const ULONG kDispositionDelete = 0x1;
const ULONG kDispositionPosixSemantics = 0x2;

// Share modes: every access, or all but renaming and deleting (a folder held as it is).
const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const ULONG kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

// The system calls the removal makes, from ntdll, and its wait between tries (kernel32's
// Sleep), in one table. A test can put calls of its own in place (and must restore the
// table) to play a file system or a system this machine does not have, or to count waits.
struct NativeFileCalls
{
    LONG(NTAPI* pfnOpenFile)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, ULONG, ULONG);
    LONG(NTAPI* pfnQueryDirectoryFile)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                       ULONG, BOOLEAN, PUNICODE_STRING, BOOLEAN);
    LONG(NTAPI* pfnQueryInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    LONG(NTAPI* pfnSetInformationFile)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    LONG(NTAPI* pfnQueryObject)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    LONG(NTAPI* pfnClose)(HANDLE);
    VOID(WINAPI* pfnSleep)(DWORD);
};
NativeFileCalls& RemovalCalls();

// Owns a handle of the native calls and closes it through them; a handle it only borrows
// it leaves open.
class CNativeHandle
{
public:
    CNativeHandle() : m_h(NULL), m_bOwned(false) {}
    ~CNativeHandle() { Close(); }
    operator HANDLE() const { return m_h; }
    void Attach(HANDLE h);
    void Borrow(HANDLE h);
    HANDLE Detach();
    void Close();

private:
    HANDLE m_h;
    bool m_bOwned;
    CNativeHandle(const CNativeHandle&) = delete;
    CNativeHandle& operator=(const CNativeHandle&) = delete;
};

// Opens strName relative to hRoot, exactly as named, or with no root the full native path
// strName, as the system's own calls open a path (without regard to case). 0, with the
// handle in rh, or the system's status.
LONG OpenNative(HANDLE hRoot, const CStringW& strName, ACCESS_MASK access, ULONG options, ULONG share,
                CNativeHandle& rh);
// Opens the folder at strPath (any form LiteralPathOf takes), links on the way to it, the
// last one included, followed; the length of its literal path goes to *pnLiteralLength.
LONG OpenFolderByPath(const CStringW& strPath, ULONG share, CNativeHandle& rh, int* pnLiteralLength);
// The literal path "\\?\..." in the system's native form "\??\...".
CStringW NativePathOf(const CStringW& strLiteral);

// The attributes of an open entry from FileBasicInformation, which every file system
// answers; the reparse tag only where the reparse-point attribute is set (0 where the
// system does not tell it).
LONG GetAttributes(HANDLE hEntry, DWORD& rdwAttributes, DWORD& rdwReparseTag);
// The full name of the object an open handle is (volume included), as the system resolved
// it when it was opened.
BOOL GetFullName(HANDLE hEntry, CStringW& rstrName);

// Reads the entries of an open folder through its handle, from its first entry, into a
// buffer lent for the time of the listing. "." and ".." are skipped.
class CFolderReader
{
public:
    CFolderReader(HANDLE hFolder, BYTE* pBuffer, ULONG cbBuffer);
    // FALSE at the end of the listing, or where the system refused it (Status()).
    BOOL Next(CStringW& rstrName, DWORD& rdwAttributes, DWORD& rdwReparseTag);
    // 0 after a complete listing; the system's status where it stopped early.
    LONG Status() const;

private:
    HANDLE m_hFolder;
    BYTE* m_pBuffer;
    ULONG m_cbBuffer;
    ULONG m_nOffset;   // of the next record in the buffer; m_cbBuffer when it must be read again
    bool m_bFirst;
    LONG m_lStatus;
};

// 0 where the open folder holds no entries; NtStatus::kDirectoryNotEmpty where it does,
// or the system's status where it cannot be listed.
LONG HoldsNoEntries(HANDLE hFolder);
