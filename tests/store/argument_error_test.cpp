// Bad arguments of the value operations: the plain error box each one shows,
// its result, and that nothing in the registry is touched.
#include "store_fixture.h"

#include "store/reg_value.h"

namespace {

using BadArgument = ProductKeyTest;

// A page that can be neither read nor written.
const char *Unreadable()
{
    static char *page = (char *)VirtualAlloc(NULL, 4096, MEM_COMMIT, PAGE_NOACCESS);
    return page;
}

// A buffer whose first 100 bytes are writable and whose rest lies on a
// read-only page, so that it is not writable over 260 bytes.
char *WritableFor100Bytes()
{
    static char *base = NULL;
    if (base == NULL) {
        DWORD old;
        base = (char *)VirtualAlloc(NULL, 2 * 4096, MEM_COMMIT, PAGE_READWRITE);
        VirtualProtect(base + 4096, 4096, PAGE_READONLY, &old);
    }
    return base + 4096 - 100;
}

void ExpectPlainBox(const BoxSeen &box, const char *text)
{
    ASSERT_TRUE(box.found) << "no box captioned VELT Duplix 98";
    EXPECT_EQ(box.text, text);
    EXPECT_TRUE(box.errorIcon);
    EXPECT_TRUE(box.onlyOk);
    EXPECT_FALSE(box.owned);
}

const char *const kBadNames[] = {NULL, "", "unreadable"};

const char *BadName(const char *which)
{
    return which != NULL && lstrcmpA(which, "unreadable") == 0 ? Unreadable() : which;
}

TEST_F(BadArgument, StringReadRefusesANullEmptyOrUnreadableName)
{
    for (const char *which : kBadNames) {
        SCOPED_TRACE(which ? which : "null");
        char buffer[MAX_PATH] = "untouched";
        int result = -5;
        ErrorBox box;
        result = ReadRegString(HKEY_CURRENT_USER, BadName(which), buffer);
        ExpectPlainBox(box.Finish(), "Error querying SZ value from registry. Invalid value name.");
        EXPECT_EQ(result, 0);
    }
    EXPECT_FALSE(ProductKeyExists()) << "the key is not even opened";
}

TEST_F(BadArgument, StringWriteRefusesANullEmptyOrUnreadableName)
{
    for (const char *which : kBadNames) {
        SCOPED_TRACE(which ? which : "null");
        int result = -5;
        ErrorBox box;
        result = WriteRegString(HKEY_CURRENT_USER, BadName(which), "text");
        ExpectPlainBox(box.Finish(), "Error writing SZ value to registry. Invalid value name.");
        EXPECT_EQ(result, 0);
    }
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(BadArgument, NumberReadRefusesANullEmptyOrUnreadableName)
{
    for (const char *which : kBadNames) {
        SCOPED_TRACE(which ? which : "null");
        int result = 5;
        ErrorBox box;
        result = ReadRegDword(HKEY_CURRENT_USER, BadName(which));
        ExpectPlainBox(box.Finish(), "Error querying DW value from registry. Invalid value name.");
        EXPECT_EQ(result, -1);
    }
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(BadArgument, NumberWriteRefusesANullEmptyOrUnreadableName)
{
    for (const char *which : kBadNames) {
        SCOPED_TRACE(which ? which : "null");
        int result = -5;
        ErrorBox box;
        result = WriteRegDword(HKEY_CURRENT_USER, BadName(which), 7);
        ExpectPlainBox(box.Finish(), "Error writing DW value to registry. Invalid value name.");
        EXPECT_EQ(result, 0);
    }
    EXPECT_FALSE(ProductKeyExists());
}

TEST_F(BadArgument, StringReadRefusesANullBufferOrOneNotWritableOver260Bytes)
{
    PutString("Text", "stored");
    for (char *buffer : {(char *)NULL, WritableFor100Bytes()}) {
        SCOPED_TRACE(buffer ? "100 bytes" : "null");
        int result = -5;
        ErrorBox box;
        result = ReadRegString(HKEY_CURRENT_USER, "Text", buffer);
        ExpectPlainBox(box.Finish(), "Error querying SZ value from registry. Invalid return value.");
        EXPECT_EQ(result, 0);
    }
}

TEST_F(BadArgument, StringReadChecksTheNameBeforeTheBuffer)
{
    ErrorBox box;
    int result = ReadRegString(HKEY_CURRENT_USER, "", NULL);
    ExpectPlainBox(box.Finish(), "Error querying SZ value from registry. Invalid value name.");
    EXPECT_EQ(result, 0);
}

TEST_F(BadArgument, StringWriteRefusesANullOrUnreadableText)
{
    for (const char *text : {(const char *)NULL, Unreadable()}) {
        SCOPED_TRACE(text ? "unreadable" : "null");
        int result = -5;
        ErrorBox box;
        result = WriteRegString(HKEY_CURRENT_USER, "Text", text);
        ExpectPlainBox(box.Finish(), "Error writing SZ value to registry. Invalid value.");
        EXPECT_EQ(result, 0);
    }
    EXPECT_FALSE(ProductKeyExists());
}

}  // namespace
