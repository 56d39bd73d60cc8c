#include "platform/String.h"

#include <gtest/gtest.h>

#include <string>

TEST(StringBasics, NullPointerGivesTheEmptyString)
{
    CString s(static_cast<LPCSTR>(NULL));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ("", s);
    s = "abc";
    s = static_cast<LPCSTR>(NULL);
    EXPECT_EQ(0, s.GetLength());
    s += static_cast<LPCSTR>(NULL);
    EXPECT_STREQ("", s);
}

TEST(StringBasics, ConcatenationComparisonAndCopies)
{
    CString a("D:\\Data\\");
    CString b = a + "User\\" + CString("anna") + '\\';
    EXPECT_STREQ("D:\\Data\\User\\anna\\", b);
    EXPECT_STREQ("D:\\Data\\", a) << "the source of a concatenation is unchanged";
    CString c = CString("x") + a;
    EXPECT_STREQ("xD:\\Data\\", c);
    c = c;
    EXPECT_STREQ("xD:\\Data\\", c);
    c += c;
    EXPECT_STREQ("xD:\\Data\\xD:\\Data\\", c);
    EXPECT_TRUE(a == "D:\\Data\\");
    EXPECT_FALSE(b == "D:\\Data\\");
}

TEST(StringBasics, LeftAndMidClampToTheString)
{
    CString s("abcdef");
    EXPECT_STREQ("abc", s.Left(3));
    EXPECT_STREQ("", s.Left(0));
    EXPECT_STREQ("abcdef", s.Left(99));
    EXPECT_STREQ("", s.Left(-1));
    EXPECT_STREQ("cd", s.Mid(2, 2));
    EXPECT_STREQ("", s.Mid(9));
}

TEST(StringBuffer, ReleaseBufferMinusOneStopsAtTheFirstZero)
{
    CString s;
    char* p = s.GetBuffer(8);
    memcpy(p, "ab\0cdefg", 8);
    s.ReleaseBuffer(-1);
    EXPECT_EQ(2, s.GetLength());
    EXPECT_STREQ("ab", s);
}

TEST(StringBuffer, ByteBehindTheBufferIsZero)
{
    // Data without a terminating zero ends at the buffer's end, nothing beyond it.
    CString s;
    char* p = s.GetBuffer(4);
    memcpy(p, "wxyz", 4);
    s.ReleaseBuffer(-1);
    EXPECT_EQ(4, s.GetLength());
    EXPECT_STREQ("wxyz", s);

    CString empty;
    char* q = empty.GetBuffer(0);
    ASSERT_NE(nullptr, q);
    EXPECT_EQ(0, q[0]);
    empty.ReleaseBuffer(-1);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(StringBuffer, GetBufferKeepsTheContentAndReleaseBufferSetsTheLength)
{
    CString s("keep");
    char* p = s.GetBuffer(100);
    EXPECT_STREQ("keep", p);
    s.ReleaseBuffer(2);
    EXPECT_STREQ("ke", s);
}

TEST(StringSearch, FindAndReverseFind)
{
    CString s("C:\\a/b\\c.txt");
    EXPECT_EQ(2, s.Find('\\'));
    EXPECT_EQ(6, s.ReverseFind('\\'));
    EXPECT_EQ(4, s.ReverseFind('/'));
    EXPECT_EQ(-1, s.Find('?'));
    EXPECT_EQ(-1, s.ReverseFind('?'));
    EXPECT_EQ(-1, CString().Find('a'));
    EXPECT_EQ(-1, CString().ReverseFind('a'));
}

std::string Bytes(const CString& s)
{
    return std::string(static_cast<LPCSTR>(s), s.GetLength());
}

TEST(StringLoad, GermanTextArrivesInTheAnsiCodePage)
{
    ASSERT_EQ(1252u, GetACP()) << "the tests run with a Western European code page";
    CString s;
    ASSERT_TRUE(s.LoadString(1));
    EXPECT_EQ(std::string("L\xF6schen!"), Bytes(s));
    ASSERT_TRUE(s.LoadString(2));
    EXPECT_EQ(std::string("User zum L\xF6schen ausw\xE4hlen:"), Bytes(s));
}

TEST(StringLoad, LineFeedIsKeptAndMissingIdsGiveEmpty)
{
    CString s;
    ASSERT_TRUE(s.LoadString(3));
    EXPECT_EQ(std::string("first line\nsecond line"), Bytes(s));
    s = "old";
    EXPECT_FALSE(s.LoadString(4));
    EXPECT_TRUE(s.IsEmpty());
}
