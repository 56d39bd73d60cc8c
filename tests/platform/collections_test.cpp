#include "platform/Collections.h"

#include <gtest/gtest.h>

TEST(StringArray, SetSizeZeroEmptiesAndSetAtGrowAppends)
{
    CStringArrayW arr;
    arr.SetAtGrow(0, L"a");
    arr.SetAtGrow(arr.GetSize(), L"b");
    arr.SetAtGrow(4, L"e");   // grows past a gap; the gap holds empty strings
    ASSERT_EQ(5, arr.GetSize());
    EXPECT_STREQ(L"a", arr[0]);
    EXPECT_STREQ(L"b", arr[1]);
    EXPECT_STREQ(L"", arr[2]);
    EXPECT_STREQ(L"e", arr[4]);
    arr.SetAtGrow(1, arr[0]);   // an element of the array itself as the source
    EXPECT_STREQ(L"a", arr[1]);
    arr.SetSize(0, -1);
    EXPECT_EQ(0, arr.GetSize());
}

TEST(StringArray, ManyAppendsKeepOrder)
{
    CStringArrayW arr;
    WCHAR sz[16];
    for (int i = 0; i < 5000; ++i) {
        wsprintfW(sz, L"n%d", i);
        arr.Add(sz);
    }
    ASSERT_EQ(5000, arr.GetSize());
    EXPECT_STREQ(L"n0", arr[0]);
    EXPECT_STREQ(L"n4999", arr[4999]);
}

TEST(StringList, AddTailKeepsTheOrder)
{
    CStringListW list;
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    list.AddTail(L"one");
    list.AddTail(L"two");
    list.AddTail(L"three");

    const WCHAR* expected[] = { L"one", L"two", L"three" };
    POSITION pos = list.GetHeadPosition();
    for (const WCHAR* e : expected) {
        ASSERT_NE(nullptr, pos);
        EXPECT_STREQ(e, list.GetNext(pos));
    }
    EXPECT_EQ(nullptr, pos);
}

TEST(MemoryException, ImpossibleArraySizeRaisesTheFrameworkException)
{
    bool bCaught = false;
    try {
        CStringArrayW arr;
        arr.SetAtGrow(static_cast<INT_PTR>(0x7FFFFFF0), L"x");
    } catch (CMemoryException* e) {
        bCaught = true;
        e->Delete();
    }
    EXPECT_TRUE(bCaught) << "a failed array allocation must raise CMemoryException";
}
