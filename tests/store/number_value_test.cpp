// Number values of the product key: signed round trips, and which stored
// values read as a number at all.
#include "store_fixture.h"

#include "store/reg_value.h"

#include <limits.h>

namespace {

using NumberValue = ProductKeyTest;

TEST_F(NumberValue, SignedNumbersRoundTripAsFourByteDwords)
{
    NoBox none;
    for (int number : {0, 1, 1234567, INT_MAX, -2, -32768, -1000000, INT_MIN}) {
        SCOPED_TRACE(number);
        ASSERT_EQ(WriteRegDword(HKEY_CURRENT_USER, "WndLeft", number), 1);
        RawValue raw;
        ASSERT_TRUE(FetchRaw("WndLeft", &raw));
        EXPECT_EQ(raw.type, (DWORD)REG_DWORD);
        ASSERT_EQ(raw.bytes.size(), 4u);
        EXPECT_EQ(*(const DWORD *)raw.bytes.data(), (DWORD)number);
        EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "WndLeft"), number);
    }
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(NumberValue, StoredMinusOneIsKeptAndReadsLikeAMissingValue)
{
    ASSERT_EQ(WriteRegDword(HKEY_CURRENT_USER, "WndTop", -1), 1);
    RawValue raw;
    ASSERT_TRUE(FetchRaw("WndTop", &raw));
    EXPECT_EQ(raw.bytes, std::string(4, '\xFF'));
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "WndTop"), -1);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "WndLeft"), -1);
}

TEST_F(NumberValue, AnyValueOfFourBytesReadsAsANumber)
{
    const unsigned char bytes[4] = {0x78, 0x56, 0x34, 0x12};
    PutRaw("Binary", REG_BINARY, bytes, sizeof(bytes));
    PutString("Text", "abc");
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Binary"), 0x12345678);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Text"), 0x00636261);
}

TEST_F(NumberValue, LongerValuesReadAsMissing)
{
    const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    PutRaw("Qword", REG_QWORD, eight, sizeof(eight));
    PutRaw("Five", REG_BINARY, eight, 5);
    NoBox none;
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Qword"), -1);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Five"), -1);
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(NumberValue, ShorterValuesReadAsMissingNotAsAPartNumber)
{
    const unsigned char bytes[3] = {0, 0, 0};
    PutRaw("Three", REG_BINARY, bytes, 3);
    PutRaw("One", REG_BINARY, "\x05", 1);
    PutRaw("Empty", REG_BINARY, NULL, 0);
    NoBox none;
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Three"), -1);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "One"), -1);
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "Empty"), -1);
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(NumberValue, FirstReadOnAFreshAccountLeavesAnEmptyKeyAndReportsMissing)
{
    NoBox none;
    EXPECT_EQ(ReadRegDword(HKEY_CURRENT_USER, "WndLeft"), -1);
    EXPECT_TRUE(none.Stop().empty());
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_EQ(StoredValueCount(), 0);
}

}  // namespace
