// Checks the imports of the shipped 32-bit program, read from its file as data,
// against the list beside this file (KAVROST_IMPORT_LIST), and that the program's
// header names the oldest Windows that has every import. The program is named by
// KAVROST_IMPORTS_EXE.
#include "resource_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

// A 32-bit PE file held in memory: its headers and its import table.
class PeImage
{
public:
    bool Load(const std::string& strPath, std::string& strError)
    {
        std::ifstream file(strPath, std::ios::binary);
        m_data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        const IMAGE_DOS_HEADER* pDos = At<IMAGE_DOS_HEADER>(0);
        if (pDos == NULL || pDos->e_magic != IMAGE_DOS_SIGNATURE) {
            strError = "cannot read " + strPath + " as an executable";
            return false;
        }
        size_t nNtOffset = static_cast<size_t>(pDos->e_lfanew);
        m_pNt = At<IMAGE_NT_HEADERS32>(nNtOffset);
        if (m_pNt == NULL || m_pNt->Signature != IMAGE_NT_SIGNATURE ||
            m_pNt->FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
            m_pNt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
            strError = strPath + " is not a 32-bit x86 program";
            return false;
        }
        m_nSectionsOffset = nNtOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                            m_pNt->FileHeader.SizeOfOptionalHeader;
        return true;
    }

    const IMAGE_OPTIONAL_HEADER32& Optional() const { return m_pNt->OptionalHeader; }

    // "dll!function" (the DLL's name in lower case) for every import; "dll!#n" for an
    // import by ordinal. Empty, with strError, when the table cannot be read.
    std::vector<std::string> Imports(std::string& strError) const
    {
        std::vector<std::string> result;
        const IMAGE_DATA_DIRECTORY& dir = Optional().DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (dir.Size == 0)
            return result;
        for (DWORD dwRva = dir.VirtualAddress;; dwRva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const IMAGE_IMPORT_DESCRIPTOR* pDesc = AtRva<IMAGE_IMPORT_DESCRIPTOR>(dwRva);
            if (pDesc == NULL) {
                strError = "the import table runs past the file";
                return {};
            }
            if (pDesc->Name == 0)
                break;
            const char* pszDll = AtRva<char>(pDesc->Name);
            DWORD dwThunk = pDesc->OriginalFirstThunk != 0 ? pDesc->OriginalFirstThunk : pDesc->FirstThunk;
            for (;; dwThunk += sizeof(DWORD)) {
                const DWORD* pThunk = AtRva<DWORD>(dwThunk);
                if (pszDll == NULL || pThunk == NULL) {
                    strError = "an import descriptor points outside the file";
                    return {};
                }
                if (*pThunk == 0)
                    break;
                std::string strName;
                if (*pThunk & IMAGE_ORDINAL_FLAG32) {
                    strName = "#" + std::to_string(IMAGE_ORDINAL32(*pThunk));
                } else {
                    const IMAGE_IMPORT_BY_NAME* pByName = AtRva<IMAGE_IMPORT_BY_NAME>(*pThunk);
                    if (pByName == NULL) {
                        strError = "an imported name lies outside the file";
                        return {};
                    }
                    strName = reinterpret_cast<const char*>(pByName->Name);
                }
                result.push_back(Lower(pszDll) + "!" + strName);
            }
        }
        return result;
    }

private:
    template <typename T>
    const T* At(size_t nOffset) const
    {
        return nOffset < m_data.size() && m_data.size() - nOffset >= sizeof(T)
                   ? reinterpret_cast<const T*>(&m_data[nOffset]) : NULL;
    }

    // The data at a relative virtual address, through the section that holds it.
    template <typename T>
    const T* AtRva(DWORD dwRva) const
    {
        for (WORD i = 0; i < m_pNt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER* pSection =
                At<IMAGE_SECTION_HEADER>(m_nSectionsOffset + i * sizeof(IMAGE_SECTION_HEADER));
            if (pSection == NULL)
                return NULL;
            if (dwRva >= pSection->VirtualAddress &&
                dwRva - pSection->VirtualAddress < pSection->SizeOfRawData)
                return At<T>(pSection->PointerToRawData + (dwRva - pSection->VirtualAddress));
        }
        return NULL;
    }

    std::vector<char> m_data;
    const IMAGE_NT_HEADERS32* m_pNt = NULL;
    size_t m_nSectionsOffset = 0;
};

// A Windows version as major * 100 + minor, from "6.0"; -1 when it is not one.
int ParseVersion(const std::string& strVersion)
{
    int nMajor = 0, nMinor = 0;
    char chDot = 0;
    std::istringstream in(strVersion);
    return (in >> nMajor >> chDot >> nMinor) && chDot == '.' && in.peek() == EOF ? nMajor * 100 + nMinor : -1;
}

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
        std::string strError;
        ASSERT_TRUE(m_image.Load(NativePath(pszExe), strError)) << strError;

        // Lines of "DLL function version", '#' starting a comment.
        std::ifstream list(NativePath(pszList));
        ASSERT_TRUE(list.good()) << "cannot read " << pszList;
        std::string strLine;
        for (int nLine = 1; std::getline(list, strLine); ++nLine) {
            std::istringstream fields(strLine.substr(0, strLine.find('#')));
            std::string strDll, strFunction, strVersion;
            if (!(fields >> strDll))
                continue;
            fields >> strFunction >> strVersion;
            int nVersion = ParseVersion(strVersion);
            ASSERT_TRUE(!strFunction.empty() && nVersion > 0)
                << pszList << ":" << nLine << ": not \"DLL function version\": " << strLine;
            m_listed[Lower(strDll) + "!" + strFunction] = nVersion;
        }
    }

    PeImage m_image;
    std::map<std::string, int> m_listed;   // "dll!function" to its Windows version
};

TEST_F(ProgramImports, AreExactlyTheListedFunctions)
{
    std::string strError;
    std::vector<std::string> imports = m_image.Imports(strError);
    ASSERT_TRUE(strError.empty()) << strError;
    ASSERT_FALSE(imports.empty()) << "no imports read";
    std::string strMissing, strStale;
    for (const std::string& strImport : imports) {
        if (m_listed.count(strImport) == 0)
            strMissing += "\n  " + strImport;
    }
    for (const auto& entry : m_listed) {
        if (std::find(imports.begin(), imports.end(), entry.first) == imports.end())
            strStale += "\n  " + entry.first;
    }
    EXPECT_EQ("", strMissing) << "imported, but not in the list with the Windows that has them";
    EXPECT_EQ("", strStale) << "in the list, but no longer imported";
    const IMAGE_DATA_DIRECTORY& delay = m_image.Optional().DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    EXPECT_EQ(0u, delay.Size) << "delay-loaded imports would escape this check";
}

TEST_F(ProgramImports, HeaderNamesTheOldestWindowsThatHasThemAll)
{
    ASSERT_FALSE(m_listed.empty());
    int nNeeded = 0;
    for (const auto& entry : m_listed)
        nNeeded = std::max(nNeeded, entry.second);
    const IMAGE_OPTIONAL_HEADER32& header = m_image.Optional();
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, header.Subsystem);
    EXPECT_EQ(VersionText(nNeeded),
              VersionText(header.MajorSubsystemVersion * 100 + header.MinorSubsystemVersion))
        << "subsystem version";
    EXPECT_EQ(VersionText(nNeeded),
              VersionText(header.MajorOperatingSystemVersion * 100 + header.MinorOperatingSystemVersion))
        << "operating system version";
}

} // namespace
