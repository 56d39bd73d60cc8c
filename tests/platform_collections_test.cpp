#include "platform/Collections.h"

#include <gtest/gtest.h>

TEST(StringArray, SetSizeZeroEmptiesAndSetAtGrowAppends)
{
    CStringArray arr;
    arr.SetAtGrow(0, "a");
    arr.SetAtGrow(arr.GetSize(), "b");
    arr.SetAtGrow(4, "e");   // grows past a gap; the gap holds empty strings
    ASSERT_EQ(5, arr.GetSize());
    EXPECT_STREQ("a", arr[0]);
    EXPECT_STREQ("b", arr[1]);
    EXPECT_STREQ("", arr[2]);
    EXPECT_STREQ("e", arr[4]);
    arr.SetAtGrow(1, arr[0]);   // an element of the array itself as the source
    EXPECT_STREQ("a", arr[1]);
    arr.SetSize(0, -1);
    EXPECT_EQ(0, arr.GetSize());
}

TEST(StringArray, ManyAppendsKeepOrder)
{
    CStringArray arr;
    char sz[16];
    for (int i = 0; i < 5000; ++i) {
        wsprintfA(sz, "n%d", i);
        arr.SetAtGrow(arr.GetSize(), sz);
    }
    ASSERT_EQ(5000, arr.GetSize());
    EXPECT_STREQ("n0", arr[0]);
    EXPECT_STREQ("n4999", arr[4999]);
}

TEST(StringList, AddTailOfStringsAndOfAList)
{
    CStringList list(10);
    EXPECT_EQ(10, list.GetBlockSize());
    EXPECT_TRUE(list.IsEmpty());
    list.AddTail("one");
    list.AddTail("two");

    CStringList other(10);
    other.AddTail("three");
    other.AddTail(&list);
    other.AddTail(&other);   // appending a list to itself copies each string once

    const char* expected[] = { "three", "one", "two", "three", "one", "two" };
    ASSERT_EQ(6, other.GetCount());
    POSITION pos = other.GetHeadPosition();
    for (const char* e : expected) {
        ASSERT_NE(nullptr, pos);
        EXPECT_STREQ(e, other.GetNext(pos));
    }
    EXPECT_EQ(nullptr, pos);
}

TEST(StringList, EmptyListIterationAndRemoveAll)
{
    CStringList list;
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    list.AddTail("x");
    list.RemoveAll();
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    list.AddTail("y");
    EXPECT_STREQ("y", list.GetHead());
    EXPECT_STREQ("y", list.GetTail());
}

TEST(MemoryException, ImpossibleArraySizeRaisesTheFrameworkException)
{
    bool bCaught = false;
    try {
        CStringArray arr;
        arr.SetAtGrow(static_cast<INT_PTR>(0x7FFFFFF0), "x");
    } catch (CMemoryException* e) {
        bCaught = true;
        e->Delete();
    }
    EXPECT_TRUE(bCaught) << "a failed array allocation must raise CMemoryException";
}
