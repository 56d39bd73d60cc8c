#include "fake_volume.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>

namespace {

const LONG kFileIsADirectory = static_cast<LONG>(0xC00000BA);
const size_t kNameOffset = offsetof(FILE_FULL_DIR_INFORMATION, FileName);

struct Node
{
    std::wstring name;
    Node* pParent;   // NULL at the root and once deleted
    ULONG attributes;
    ULONG tag;       // of a link
    Node* pTarget;   // of a link
    std::vector<Node*> children;
};

// What a handle is.
struct Open
{
    Node* pNode;
    bool bDeleteOnClose;
    size_t nNextEntry;   // of its listing
};

bool g_bPosixDelete;
bool g_bNoSuchFileWhereEmpty;
std::deque<Node> g_nodes;   // every node made; the tree hangs from the first
std::vector<std::wstring> g_faults;

Node* Child(const Node* pFolder, const std::wstring& name)
{
    for (Node* pChild : pFolder->children)
        if (_wcsicmp(pChild->name.c_str(), name.c_str()) == 0)
            return pChild;
    return NULL;
}

// The node at "X:\a\b" ("X:\" and "X:" are the root), links on the way followed.
Node* Find(const std::wstring& path)
{
    Node* pNode = &g_nodes.front();
    for (size_t nStart = 3; pNode != NULL && nStart < path.size();) {
        size_t nEnd = std::min(path.find(L'\\', nStart), path.size());
        pNode = Child(pNode->pTarget != NULL ? pNode->pTarget : pNode, path.substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
    }
    return pNode;
}

std::wstring PathOf(const Node* pNode)
{
    std::wstring path;
    for (; pNode->pParent != NULL; pNode = pNode->pParent)
        path = L"\\" + pNode->name + path;
    return L"X:" + (path.empty() ? L"\\" : path);
}

Node* Add(const std::wstring& path, ULONG attributes)
{
    size_t nSeparator = path.rfind(L'\\');
    Node* pParent = Find(path.substr(0, nSeparator));
    if (pParent == NULL)
        pParent = Add(path.substr(0, nSeparator), FILE_ATTRIBUTE_DIRECTORY);
    g_nodes.push_back(Node{ path.substr(nSeparator + 1), pParent, attributes, 0, NULL, {} });
    pParent->children.push_back(&g_nodes.back());
    return &g_nodes.back();
}

void Detach(Node* pNode)
{
    std::vector<Node*>& siblings = pNode->pParent->children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), pNode));
    pNode->pParent = NULL;
}

LONG NTAPI OpenFile(PHANDLE ph, ACCESS_MASK, POBJECT_ATTRIBUTES pAttributes, PIO_STATUS_BLOCK, ULONG, ULONG options)
{
    std::wstring name(pAttributes->ObjectName->Buffer, pAttributes->ObjectName->Length / sizeof(WCHAR));
    Node* pNode;
    if (pAttributes->RootDirectory != NULL) {
        if (name.find(L'\\') != std::wstring::npos)
            return NtStatus::kObjectNameInvalid;   // one name relative to an open folder
        pNode = Child(static_cast<Open*>(pAttributes->RootDirectory)->pNode, name);
    } else {
        if (name.compare(0, 6, L"\\??\\X:") != 0)
            return NtStatus::kObjectPathNotFound;
        pNode = Find(name.substr(4));
    }
    if (pNode == NULL)
        return NtStatus::kObjectNameNotFound;
    if (pNode->pTarget != NULL && (options & FILE_OPEN_REPARSE_POINT) == 0) {
        g_faults.push_back(L"followed " + PathOf(pNode));
        pNode = pNode->pTarget;
    }
    bool bFolder = (pNode->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((options & FILE_DIRECTORY_FILE) != 0 && !bFolder)
        return NtStatus::kNotADirectory;
    if ((options & FILE_NON_DIRECTORY_FILE) != 0 && bFolder)
        return kFileIsADirectory;
    *ph = new Open{ pNode, (options & FILE_DELETE_ON_CLOSE) != 0, 0 };
    return 0;
}

LONG NTAPI QueryDirectory(HANDLE h, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK pio, PVOID pBuffer, ULONG cb,
                          ULONG infoClass, BOOLEAN, PUNICODE_STRING, BOOLEAN bRestart)
{
    Open& open = *static_cast<Open*>(h);
    if (infoClass != 2)
        return NtStatus::kInvalidInfoClass;
    if (open.pNode->pTarget != NULL)
        g_faults.push_back(L"listed " + PathOf(open.pNode));   // a link as itself is an empty folder
    if (bRestart)
        open.nNextEntry = 0;
    const std::vector<Node*>& entries = open.pNode->children;
    FILE_FULL_DIR_INFORMATION* pLast = NULL;
    ULONG nOffset = 0, nLastOffset = 0;
    for (; open.nNextEntry < entries.size(); ++open.nNextEntry) {
        const Node& entry = *entries[open.nNextEntry];
        ULONG cbName = static_cast<ULONG>(entry.name.size() * sizeof(WCHAR));
        if (nOffset + kNameOffset + cbName > cb)
            break;
        auto* pInfo = reinterpret_cast<FILE_FULL_DIR_INFORMATION*>(static_cast<BYTE*>(pBuffer) + nOffset);
        memset(pInfo, 0, kNameOffset);
        pInfo->FileAttributes = entry.attributes;
        pInfo->FileNameLength = cbName;
        pInfo->EaSize = entry.tag;
        memcpy(pInfo->FileName, entry.name.data(), cbName);
        if (pLast != NULL)
            pLast->NextEntryOffset = nOffset - nLastOffset;
        pLast = pInfo;
        nLastOffset = nOffset;
        nOffset += (kNameOffset + cbName + 7) & ~7u;
    }
    if (pLast == NULL && entries.empty() && bRestart && g_bNoSuchFileWhereEmpty)
        return NtStatus::kNoSuchFile;
    if (pLast == NULL)
        return open.nNextEntry < entries.size() ? NtStatus::kBufferOverflow : NtStatus::kNoMoreFiles;
    pio->Information = nOffset;
    return 0;
}

LONG NTAPI QueryInformation(HANDLE h, PIO_STATUS_BLOCK, PVOID p, ULONG cb, ULONG infoClass)
{
    const Node& node = *static_cast<Open*>(h)->pNode;
    memset(p, 0, cb);
    if (infoClass == FileBasicInformation)
        static_cast<FILE_BASIC_INFORMATION*>(p)->FileAttributes = node.attributes;
    else if (infoClass == FileAttributeTagInformation)
        *static_cast<FILE_ATTRIBUTE_TAG_INFORMATION*>(p) = { node.attributes, node.tag };
    else
        return NtStatus::kInvalidInfoClass;
    return 0;
}

// FileDispositionInformation (13) and FileDispositionInformationEx (64, POSIX deletion).
LONG NTAPI SetInformation(HANDLE h, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG infoClass)
{
    Open& open = *static_cast<Open*>(h);
    if (infoClass != 13 && infoClass != 64)
        return NtStatus::kInvalidInfoClass;
    if (infoClass == 64 && !g_bPosixDelete)
        return NtStatus::kInvalidParameter;
    if (!open.pNode->children.empty())
        return NtStatus::kDirectoryNotEmpty;
    if (infoClass == 64)
        Detach(open.pNode);   // the name goes at once
    else
        open.bDeleteOnClose = true;   // it goes when this handle is closed
    return 0;
}

LONG NTAPI QueryObject(HANDLE h, ULONG infoClass, PVOID p, ULONG cb, PULONG pcbNeeded)
{
    std::wstring name = L"\\??\\" + PathOf(static_cast<Open*>(h)->pNode);
    ULONG cbName = static_cast<ULONG>(name.size() * sizeof(WCHAR));
    *pcbNeeded = sizeof(OBJECT_NAME_INFORMATION) + cbName;
    if (infoClass != ObjectNameInformation || cb < *pcbNeeded)
        return infoClass != ObjectNameInformation ? NtStatus::kInvalidInfoClass : NtStatus::kInfoLengthMismatch;
    UNICODE_STRING& rName = static_cast<OBJECT_NAME_INFORMATION*>(p)->Name;
    rName.Buffer = reinterpret_cast<PWSTR>(static_cast<OBJECT_NAME_INFORMATION*>(p) + 1);
    rName.Length = rName.MaximumLength = static_cast<USHORT>(cbName);
    memcpy(rName.Buffer, name.data(), cbName);
    return 0;
}

LONG NTAPI Close(HANDLE h)
{
    Open* pOpen = static_cast<Open*>(h);
    if (pOpen->bDeleteOnClose && pOpen->pNode->pParent != NULL && pOpen->pNode->children.empty())
        Detach(pOpen->pNode);
    delete pOpen;
    return 0;
}

} // namespace

FakeVolume::FakeVolume(bool bPosixDelete)
{
    g_bPosixDelete = bPosixDelete;
    g_bNoSuchFileWhereEmpty = false;
    g_nodes.assign(1, Node{ L"X:", NULL, FILE_ATTRIBUTE_DIRECTORY, 0, NULL, {} });
    g_faults.clear();
    NativeFileCalls& calls = RemovalCalls();
    calls.pfnOpenFile = OpenFile;
    calls.pfnQueryDirectoryFile = QueryDirectory;
    calls.pfnQueryInformationFile = QueryInformation;
    calls.pfnSetInformationFile = SetInformation;
    calls.pfnQueryObject = QueryObject;
    calls.pfnClose = Close;
}

FakeVolume::~FakeVolume() {}

void FakeVolume::AddFile(const std::wstring& path)
{
    Add(path, FILE_ATTRIBUTE_ARCHIVE);
}

void FakeVolume::AddLink(const std::wstring& path, const std::wstring& target, ULONG tag)
{
    Node* pTarget = Find(target);
    Node* pLink = Add(path, FILE_ATTRIBUTE_REPARSE_POINT | pTarget->attributes);
    pLink->tag = tag;
    pLink->pTarget = pTarget;
}

bool FakeVolume::Exists(const std::wstring& path) const
{
    return Find(path) != NULL;
}

const std::vector<std::wstring>& FakeVolume::Faults() const
{
    return g_faults;
}

void FakeVolume::AddFolder(const std::wstring& path)
{
    Add(path, FILE_ATTRIBUTE_DIRECTORY);
}

void FakeVolume::Rename(const std::wstring& path, const std::wstring& newPath)
{
    Node* pNode = Find(path);
    Detach(pNode);
    size_t nSeparator = newPath.rfind(L'\\');
    pNode->name = newPath.substr(nSeparator + 1);
    pNode->pParent = Find(newPath.substr(0, nSeparator));
    pNode->pParent->children.push_back(pNode);
}

void FakeVolume::AnswerNoSuchFileWhereEmpty()
{
    g_bNoSuchFileWhereEmpty = true;
}
