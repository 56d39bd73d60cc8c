// Checks the imports of the shipped 32-bit program (KAVROST_IMPORTS_EXE), read from
// its file as data, against the list beside this file (KAVROST_IMPORT_LIST), and that
// the program's header names the oldest Windows that has every import.
#include "resource_reader.h"
#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

// A 32-bit PE file read into memory. Every accessor returns NULL for data that lies
// outside the file.
class PeFile
{
public:
    explicit PeFile(const std::string& strPath)
        : m_data(std::istreambuf_iterator<char>(std::ifstream(strPath, std::ios::binary).rdbuf()),
                 std::istreambuf_iterator<char>())
    {
        const IMAGE_DOS_HEADER* pDos = At<IMAGE_DOS_HEADER>(0);
        const IMAGE_NT_HEADERS32* pNt =
            pDos != NULL && pDos->e_magic == IMAGE_DOS_SIGNATURE ? At<IMAGE_NT_HEADERS32>(pDos->e_lfanew) : NULL;
        if (pNt != NULL && pNt->Signature == IMAGE_NT_SIGNATURE && pNt->FileHeader.Machine == IMAGE_FILE_MACHINE_I386 &&
            pNt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            m_pNt = pNt;
            m_nSections = pDos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                          pNt->FileHeader.SizeOfOptionalHeader;
        }
    }

    // The NT headers; NULL unless the file is a 32-bit x86 program.
    const IMAGE_NT_HEADERS32* Headers() const { return m_pNt; }

    template <typename T>
    const T* At(size_t nOffset) const
    {
        return nOffset <= m_data.size() && m_data.size() - nOffset >= sizeof(T)
                   ? reinterpret_cast<const T*>(m_data.data() + nOffset) : NULL;
    }

    // The data at a relative virtual address, through the section that holds it.
    template <typename T>
    const T* AtRva(DWORD dwRva) const
    {
        for (WORD i = 0; i < m_pNt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER* pSection = At<IMAGE_SECTION_HEADER>(m_nSections + i * sizeof(IMAGE_SECTION_HEADER));
            if (pSection == NULL)
                return NULL;
            if (dwRva >= pSection->VirtualAddress && dwRva - pSection->VirtualAddress < pSection->SizeOfRawData)
                return At<T>(pSection->PointerToRawData + (dwRva - pSection->VirtualAddress));
        }
        return NULL;
    }

    // "dll!function", the DLL's name in lower case ("dll!#n" by ordinal), for every
    // import; false when the table leads outside the file.
    bool Imports(std::set<std::string>& imports) const
    {
        const IMAGE_DATA_DIRECTORY& dir = m_pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (DWORD dwRva = dir.VirtualAddress; dir.Size != 0; dwRva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const IMAGE_IMPORT_DESCRIPTOR* pDesc = AtRva<IMAGE_IMPORT_DESCRIPTOR>(dwRva);
            if (pDesc == NULL)
                return false;
            if (pDesc->Name == 0)
                break;
            const char* pszDll = AtRva<char>(pDesc->Name);
            DWORD dwThunk = pDesc->OriginalFirstThunk != 0 ? pDesc->OriginalFirstThunk : pDesc->FirstThunk;
            for (;; dwThunk += sizeof(DWORD)) {
                const DWORD* pThunk = AtRva<DWORD>(dwThunk);
                if (pThunk == NULL || pszDll == NULL)
                    return false;
                if (*pThunk == 0)
                    break;
                std::string strName;
                if (*pThunk & IMAGE_ORDINAL_FLAG32) {
                    strName = "#" + std::to_string(IMAGE_ORDINAL32(*pThunk));
                } else {
                    const IMAGE_IMPORT_BY_NAME* pByName = AtRva<IMAGE_IMPORT_BY_NAME>(*pThunk);
                    if (pByName == NULL)
                        return false;
                    strName = reinterpret_cast<const char*>(pByName->Name);
                }
                imports.insert(Lower(pszDll) + "!" + strName);
            }
        }
        return true;
    }

private:
    std::vector<char> m_data;
    const IMAGE_NT_HEADERS32* m_pNt = NULL;
    size_t m_nSections = 0;
};

std::string VersionText(int nVersion)
{
    return std::to_string(nVersion / 100) + "." + std::to_string(nVersion % 100);
}

class ProgramImports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* pszExe = std::getenv("KAVROST_IMPORTS_EXE");
        const char* pszList = std::getenv("KAVROST_IMPORT_LIST");
        ASSERT_TRUE(pszExe != NULL && pszList != NULL)
            << "KAVROST_IMPORTS_EXE and KAVROST_IMPORT_LIST must name the program and the list";
        m_pFile.reset(new PeFile(WindowsPath(pszExe)));
        ASSERT_NE(nullptr, m_pFile->Headers()) << pszExe << " cannot be read as a 32-bit x86 program";

        // Lines of "DLL function major.minor"; '#' starts a comment.
        std::ifstream list(WindowsPath(pszList));
        ASSERT_TRUE(list.good()) << "cannot read " << pszList;
        std::string strLine;
        for (int nLine = 1; std::getline(list, strLine); ++nLine) {
            std::istringstream fields(strLine.substr(0, strLine.find('#')));
            std::string strDll, strFunction;
            int nMajor = -1, nMinor = -1;
            char chDot = 0;
            if (!(fields >> strDll))
                continue;
            fields >> strFunction >> nMajor >> chDot >> nMinor;
            ASSERT_TRUE(fields && chDot == '.' && nMajor >= 0 && nMinor >= 0)
                << pszList << ":" << nLine << " is not \"DLL function major.minor\": " << strLine;
            m_listed[Lower(strDll) + "!" + strFunction] = nMajor * 100 + nMinor;
        }
    }

    std::unique_ptr<PeFile> m_pFile;
    std::map<std::string, int> m_listed;   // "dll!function" to its Windows, major * 100 + minor
};

TEST_F(ProgramImports, AreExactlyTheListedFunctions)
{
    std::set<std::string> imports;
    ASSERT_TRUE(m_pFile->Imports(imports)) << "the import table leads outside the file";
    ASSERT_FALSE(imports.empty()) << "no imports read";
    std::string strMissing, strStale;
    for (const std::string& strImport : imports)
        strMissing += m_listed.count(strImport) == 0 ? "\n  " + strImport : "";
    for (const auto& entry : m_listed)
        strStale += imports.count(entry.first) == 0 ? "\n  " + entry.first : "";
    EXPECT_EQ("", strMissing) << "imported, but not in the list with the oldest Windows that has them";
    EXPECT_EQ("", strStale) << "in the list, but no longer imported";
    EXPECT_EQ(0u, m_pFile->Headers()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size)
        << "delay-loaded imports would escape this check";
}

TEST_F(ProgramImports, HeaderNamesTheOldestWindowsThatHasThemAll)
{
    ASSERT_FALSE(m_listed.empty());
    int nNeeded = 0;
    for (const auto& entry : m_listed)
        nNeeded = std::max(nNeeded, entry.second);
    const IMAGE_OPTIONAL_HEADER32& header = m_pFile->Headers()->OptionalHeader;
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, header.Subsystem);
    EXPECT_EQ(VersionText(nNeeded), VersionText(header.MajorSubsystemVersion * 100 + header.MinorSubsystemVersion))
        << "subsystem version";
    EXPECT_EQ(VersionText(nNeeded),
              VersionText(header.MajorOperatingSystemVersion * 100 + header.MinorOperatingSystemVersion))
        << "operating system version";
}

} // namespace
