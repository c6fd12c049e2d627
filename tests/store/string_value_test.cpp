// String values of the product key: what is stored, what reads back, and
// that a read never hands on a text without its zero.
#include "store_fixture.h"

#include "store/reg_value.h"

#include <string.h>

namespace {

using StringValue = ProductKeyTest;

// A caller's 260-byte buffer, filled with a pattern, with a guard area
// behind it that the read must leave alone.
struct GuardedBuffer {
    char bytes[MAX_PATH + 64];
    GuardedBuffer() { memset(bytes, 'x', sizeof(bytes)); }
    char *Get() { return bytes; }
    bool GuardIntact() const
    {
        for (size_t i = MAX_PATH; i < sizeof(bytes); i++)
            if (bytes[i] != 'x')
                return false;
        return true;
    }
};

TEST_F(StringValue, EmptyTextIsStoredAsOneByteAndReadsBackEmpty)
{
    NoBox none;
    ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Text", ""), 1);
    RawValue raw;
    ASSERT_TRUE(FetchRaw("Text", &raw));
    EXPECT_EQ(raw.type, (DWORD)REG_SZ);
    EXPECT_EQ(raw.bytes, std::string(1, '\0'));

    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Text", buffer.Get()), 1);
    EXPECT_STREQ(buffer.Get(), "");
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(StringValue, TextOf259CharactersRoundTripsWhole)
{
    std::string text(259, 'p');
    text[0] = 'C';
    text[258] = 'z';
    NoBox none;
    ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Text", text.c_str()), 1);
    RawValue raw;
    ASSERT_TRUE(FetchRaw("Text", &raw));
    EXPECT_EQ(raw.type, (DWORD)REG_SZ);
    EXPECT_EQ(raw.bytes.size(), 260u) << "stored with its zero";

    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Text", buffer.Get()), 1);
    EXPECT_EQ(std::string(buffer.Get()), text);
    EXPECT_TRUE(buffer.GuardIntact());
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(StringValue, WritingAgainReplacesTheText)
{
    ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Text", "a longer first text"), 1);
    ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Text", "second"), 1);
    EXPECT_EQ(GetString("Text"), "second");
    EXPECT_EQ(StoredValueCount(), 1);
}

TEST_F(StringValue, TextOf260CharactersIsStoredButReadsAsMissingWithoutABox)
{
    std::string text(260, 'q');
    ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Text", text.c_str()), 1);
    EXPECT_EQ(GetString("Text"), text);

    NoBox none;
    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Text", buffer.Get()), 0);
    EXPECT_EQ(buffer.Get()[0], '\0');
    EXPECT_TRUE(buffer.GuardIntact());
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(StringValue, ValueOf260BytesWithoutAZeroReadsAsMissingNotUnterminated)
{
    std::string bytes(MAX_PATH, 'z');
    PutRaw("Binary", REG_BINARY, bytes.data(), MAX_PATH);
    // A REG_SZ of 260 characters without a terminator; stored through the
    // wide call, which keeps the size exactly as given.
    std::wstring wide(MAX_PATH, L'w');
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, L"Text", 0, REG_SZ, (const BYTE *)wide.data(), MAX_PATH * sizeof(WCHAR)),
              ERROR_SUCCESS);
    RegCloseKey(key);

    NoBox none;
    for (const char *name : {"Binary", "Text"}) {
        SCOPED_TRACE(name);
        GuardedBuffer buffer;
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, name, buffer.Get()), 0);
        EXPECT_EQ(buffer.Get()[0], '\0');
        EXPECT_TRUE(buffer.GuardIntact());
    }
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(StringValue, ShorterValueWithoutAZeroComesOutTerminated)
{
    PutRaw("Binary", REG_BINARY, "abc", 3);
    std::wstring wide(259, L'w');
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TEST_PRODUCT_KEY, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, L"Text", 0, REG_SZ, (const BYTE *)wide.data(), 259 * sizeof(WCHAR)),
              ERROR_SUCCESS);
    RegCloseKey(key);

    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Binary", buffer.Get()), 1);
    EXPECT_STREQ(buffer.Get(), "abc");

    GuardedBuffer full;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Text", full.Get()), 1);
    EXPECT_EQ(std::string(full.Get()), std::string(259, 'w'));
    EXPECT_TRUE(full.GuardIntact());
}

TEST_F(StringValue, ValueOfAnotherTypeReadsAsItsBytesTerminated)
{
    DWORD letters = 0x44434241;  // "ABCD" in memory order, no zero
    PutRaw("Number", REG_DWORD, &letters, sizeof(letters));
    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Number", buffer.Get()), 1);
    EXPECT_STREQ(buffer.Get(), "ABCD");
}

TEST_F(StringValue, MissingValueReadsAsZeroWithAnEmptyBufferAndNoBox)
{
    PutString("Other", "here");
    NoBox none;
    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Text", buffer.Get()), 0);
    EXPECT_EQ(buffer.Get()[0], '\0');
    EXPECT_TRUE(none.Stop().empty());
}

TEST_F(StringValue, FirstReadOnAFreshAccountLeavesAnEmptyKeyAndReportsMissing)
{
    NoBox none;
    GuardedBuffer buffer;
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "BackupPath", buffer.Get()), 0);
    EXPECT_EQ(buffer.Get()[0], '\0');
    EXPECT_TRUE(none.Stop().empty());
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_EQ(StoredValueCount(), 0);
}

}  // namespace
