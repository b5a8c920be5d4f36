#include "ByteBuffer.h"
#include "ObjectId.h"
#include <gtest/gtest.h>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(ByteBuffer, AppendKeepsTwoZerosAfterTheData)
{
    CByteBuffer b;
    EXPECT_EQ(nullptr, b.data);
    ASSERT_TRUE(b.Append("abc", 3));
    EXPECT_EQ(3, b.size);
    EXPECT_EQ(1048581, b.capacity);
    EXPECT_EQ(0, b.data[3]);
    EXPECT_EQ(0, b.data[4]);
    EXPECT_STREQ("abc", b.data);

    // growing past the capacity keeps the contents
    std::string big(1048580, 'x');
    ASSERT_TRUE(b.Append(big.data(), (int)big.size()));
    EXPECT_EQ(3 + 1048580, b.size);
    EXPECT_EQ(b.size + 2 + CByteBuffer::kGrowth, b.capacity);
    EXPECT_EQ(0, memcmp(b.data, "abcxx", 5));
    EXPECT_EQ(0, b.data[b.size]);
    EXPECT_EQ(0, b.data[b.size + 1]);

    EXPECT_FALSE(b.Append("x", -1));
    EXPECT_FALSE(b.Append(nullptr, 2));
    EXPECT_EQ(3 + 1048580, b.size);
}

TEST(ByteBuffer, WideTextReadsBackAsZeroTerminated)
{
    CByteBuffer b;
    ASSERT_TRUE(b.AppendText(L"\x041F" L"ab"));
    ASSERT_TRUE(b.AppendText(L"cdef", 2));
    EXPECT_EQ(10, b.size);
    EXPECT_STREQ(L"\x041F" L"abcd", (const wchar_t*)b.data);
    // a wide unit from a sign-extended 8-bit character
    ASSERT_TRUE(b.AppendWideChar((char)0xE9));
    ASSERT_TRUE(b.AppendWideChar(0));
    EXPECT_EQ(14, b.size);
    EXPECT_EQ((wchar_t)0xFFE9, ((const wchar_t*)b.data)[5]);
    EXPECT_EQ(0, ((const wchar_t*)b.data)[6]);
}

TEST(ByteBuffer, AttachAndDetachHandOverTheBlock)
{
    CByteBuffer b;
    b.Append("old", 3);
    char* block = new char[4]{'w', 'x', 'y', 'z'};
    b.Attach(block, 4);
    EXPECT_EQ(block, b.data);
    EXPECT_EQ(4, b.size);
    EXPECT_EQ(4, b.capacity);
    // the next append grows and terminates again
    ASSERT_TRUE(b.Append("!", 1));
    EXPECT_STREQ("wxyz!", b.data);

    char* taken = b.Detach();
    EXPECT_EQ(nullptr, b.data);
    EXPECT_EQ(0, b.size);
    EXPECT_EQ(0, b.capacity);
    EXPECT_STREQ("wxyz!", taken);
    delete[] taken;
}

// The counter in an id's last four hex digits.
int CounterOf(const CString& id)
{
    return (int)wcstol(((const wchar_t*)id) + 12, nullptr, 16);
}

TEST(ObjectId, SixteenCharactersOfTimeAndCounter)
{
    CString a, b;
    PeloraGenerateKeyString(a);
    PeloraGenerateKeyString(b);
    ASSERT_EQ(16, a.GetLength());
    ASSERT_EQ(16, b.GetLength());
    EXPECT_EQ(L'o', a[0]);
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(iswdigit(a[i])) << (const wchar_t*)a;
    EXPECT_EQ(L'x', a[11]);
    for (int i = 12; i < 16; ++i)
        EXPECT_TRUE(iswxdigit(a[i]) && !iswlower(a[i])) << (const wchar_t*)a;
    EXPECT_STRNE((const wchar_t*)a, (const wchar_t*)b);
    EXPECT_EQ((CounterOf(a) + 1) % 0xFFFF, CounterOf(b));
}

TEST(ObjectId, CounterRunsToFFFEThenWraps)
{
    CString id;
    PeloraGenerateKeyString(id);
    int prev = CounterOf(id);
    bool wrapped = false;
    for (int i = 0; i < 0xFFFF; ++i) {
        PeloraGenerateKeyString(id);
        int c = CounterOf(id);
        ASSERT_EQ(prev == 0xFFFE ? 0 : prev + 1, c);
        wrapped |= prev == 0xFFFE;
        prev = c;
    }
    EXPECT_TRUE(wrapped);
}

TEST(ObjectId, ThreadsNeverShareACounter)
{
    const int kThreads = 4, kEach = 4000;
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            CString id;
            for (int i = 0; i < kEach; ++i) {
                PeloraGenerateKeyString(id);
                seen[t].push_back(CounterOf(id));
            }
        });
    for (auto& t : threads)
        t.join();
    std::set<int> all;
    for (auto& v : seen)
        all.insert(v.begin(), v.end());
    EXPECT_EQ((size_t)kThreads * kEach, all.size());
}

} // namespace
