// The literal path form every file call hands to the system, and the error mode the application sets.
#include "platform/File.h"
#include "platform/WinApp.h"

#include "support/Scratch.h"

#include <gtest/gtest.h>

#include <thread>

TEST(LiteralPaths, NamesStayExactlyAsGivenAndOnlyDotComponentsAreResolved)
{
    struct { const char* path; const char* expected; } cases[] = {
        // Trailing dots and blanks are part of a name; the system's own conversion drops them.
        { "C:\\a\\x.", "\\\\?\\C:\\a\\x." },
        { "C:\\a\\x \\y", "\\\\?\\C:\\a\\x \\y" },
        { "C:/a//b\\", "\\\\?\\C:\\a\\b\\" },
        { "C:\\a\\.\\b\\..\\c", "\\\\?\\C:\\a\\c" },
        { "C:\\..\\..\\x", "\\\\?\\C:\\x" },                 // never above the root
        { "C:\\", "\\\\?\\C:\\" },
        { "\\\\srv\\share\\a\\..\\..\\b", "\\\\?\\UNC\\srv\\share\\b" },
        { "\\\\?\\C:\\a\\..\\x.", "\\\\?\\C:\\a\\..\\x." },  // already literal: taken as it is
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Utf8(LiteralPathOf(Wide(c.path).c_str()))) << c.path;
    for (const char* refused : { "", "\\\\", "\\\\srv", "\\\\srv\\", "\\\\.\\C:\\x" })
        EXPECT_TRUE(LiteralPathOf(Wide(refused).c_str()).IsEmpty()) << refused;
    EXPECT_TRUE(LiteralPathOf(NULL).IsEmpty());
    EXPECT_TRUE(LiteralPathOf((L"C:\\" + std::wstring(kMaxSystemPath, L'a')).c_str()).IsEmpty())
        << "a path beyond the system's limit is refused, not cut";
}

TEST(LiteralPaths, RelativePathsStartFromTheCurrentFolder)
{
    ScratchFolder scratch;
    CStringW strRelative, strRooted;
    {
        CurrentFolder current(scratch.Path());
        strRelative = LiteralPathOf(L"sub\\x.");
        strRooted = LiteralPathOf(L"\\top");
    }

    std::string folder = scratch.Path();   // ends in a separator
    EXPECT_EQ("\\\\?\\" + folder + "sub\\x.", Utf8(strRelative));
    EXPECT_EQ("\\\\?\\" + folder.substr(0, 2) + "\\top", Utf8(strRooted));
}

TEST(CriticalErrors, TheApplicationTurnsTheSystemsBoxesOffForTheProcessAndKeepsItsOtherModes)
{
    // A drive without a medium then fails the call that asked it, on every thread, instead
    // of waiting for an answer to the system's box.
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    CWinApp app;
    UINT uMode = 0;
    std::thread([&uMode] {
        uMode = SetErrorMode(0);
        SetErrorMode(uMode);
    }).join();
    EXPECT_EQ(static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX), uMode);
}
