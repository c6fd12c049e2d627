// Paste from the real clipboard: long text, line breaks, no text at all.
#include "list_fixture.h"

#include <string.h>

namespace {

class Paste : public ListTest {
protected:
    // Puts a block on the clipboard as CF_TEXT, exactly size bytes long.
    static void PutText(const char *bytes, size_t size)
    {
        ASSERT_TRUE(OpenClipboard(NULL));
        EmptyClipboard();
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(mem), bytes, size);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, mem);
        CloseClipboard();
    }
    static void PutString(const std::string &text) { PutText(text.c_str(), text.size() + 1); }

    static std::string ClipboardText()
    {
        std::string text;
        if (!OpenClipboard(NULL))
            return text;
        HANDLE data = GetClipboardData(CF_TEXT);
        if (data != NULL) {
            const char *p = (const char *)GlobalLock(data);
            text.assign(p, strnlen(p, GlobalSize(data)));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
};

TEST_F(Paste, TextOf300CharactersGivesAnEntryOfItsFirst260AndTheClipboardKeepsAll)
{
    std::string text(300, 'x');
    for (size_t i = 0; i < text.size(); i++)
        text[i] = (char)('a' + i % 26);
    PutString(text);
    Command(IDC_PASTE_ITEM);
    ASSERT_EQ(Entries().size(), 1u);
    EXPECT_EQ(Entries()[0], text.substr(0, 260));
    EXPECT_NE(EditBox(), (HWND)NULL) << "its label edit is open";
    EXPECT_EQ(ClipboardText(), text);
}

TEST_F(Paste, TextWithALineBreakIsTakenUnchanged)
{
    PutString("c:\\first line\r\nsecond line ");
    Command(IDC_PASTE_ITEM);
    EXPECT_EQ(Entries(), std::vector<std::string>{"c:\\first line\r\nsecond line "});
    EXPECT_EQ(ClipboardText(), "c:\\first line\r\nsecond line ");
}

TEST_F(Paste, TextWithoutAZeroByteEndsWithItsBlock)
{
    PutText("c:\\abc", 6);
    Command(IDC_PASTE_ITEM);
    ASSERT_EQ(Entries().size(), 1u);
    // Nothing past the block is read. Wine ends such a block with a zero
    // of its own in place of the last byte; Windows hands it on as it is.
    std::string entry = Entries()[0];
    EXPECT_TRUE(entry == "c:\\abc" || entry == "c:\\ab") << entry;
}

TEST_F(Paste, NoTextOnTheClipboardAddsThePlaceholder)
{
    ASSERT_TRUE(OpenClipboard(NULL));
    EmptyClipboard();
    CloseClipboard();
    Command(IDC_PASTE_ITEM);
    EXPECT_EQ(Entries(), std::vector<std::string>{PLACEHOLDER_TEXT}) << "an empty clipboard";
    EXPECT_NE(EditBox(), (HWND)NULL);
    EndEdit(VK_ESCAPE);

    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(NULL, screen);
    ASSERT_TRUE(OpenClipboard(NULL));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();
    Command(IDC_PASTE_ITEM);
    EXPECT_EQ(Entries(), std::vector<std::string>{PLACEHOLDER_TEXT}) << "a bitmap only: the same one entry";
    EXPECT_EQ(SelectedText(), PLACEHOLDER_TEXT);
    EXPECT_NE(EditBox(), (HWND)NULL);
    ASSERT_TRUE(OpenClipboard(NULL));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP)) << "the clipboard still holds its bitmap";
    CloseClipboard();
}

TEST_F(Paste, EmptyTextActsAsNew)
{
    PutString("");
    Command(IDC_PASTE_ITEM);
    EXPECT_EQ(Entries(), std::vector<std::string>{PLACEHOLDER_TEXT});
}

}  // namespace
