// The submenu and its command strings as the shell asks for them.
#include "extension_fixture.h"

#include <string.h>

namespace {

using ExtensionMenu = ExtensionTest;

struct Range {
    UINT first, last, flags;
    UINT added;
};

TEST_F(ExtensionMenu, QueryAddsTheSubmenuWithinTheIdRangeAndNothingForTheDefaultOnly)
{
    IContextMenu *menu = MenuFor(names_);
    ASSERT_NE(menu, (IContextMenu *)NULL);
    const Range ranges[] = {{100, 200, CMF_NORMAL, 2}, {7, 8, CMF_EXPLORE, 2},   {100, 100, CMF_NORMAL, 0},
                            {9, 3, CMF_NORMAL, 0},    {0, 0xFFFFFFFF, 0, 2},    {100, 200, CMF_DEFAULTONLY, 0}};
    for (const Range &r : ranges) {
        SCOPED_TRACE(testing::Message() << r.first << ".." << r.last << " flags " << r.flags);
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 1, "Open");
        AppendMenuA(popup, MF_STRING, 2, "Print");
        HRESULT hr = menu->QueryContextMenu(popup, 1, r.first, r.last, r.flags);
        EXPECT_EQ(hr, MAKE_HRESULT(SEVERITY_SUCCESS, 0, r.added));
        ASSERT_EQ(GetMenuItemCount(popup), r.added ? 3 : 2);
        if (r.added) {
            char text[64] = "";
            GetMenuStringA(popup, 1, text, sizeof(text), MF_BYPOSITION);
            EXPECT_STREQ(text, PRODUCT_TITLE);
            HMENU sub = GetSubMenu(popup, 1);
            ASSERT_EQ(GetMenuItemCount(sub), 2);
            const char *items[] = {"Add to Duplix list", "Remove from Duplix list"};
            for (int i = 0; i < 2; i++) {
                EXPECT_EQ(GetMenuItemID(sub, i), r.first + i);
                GetMenuStringA(sub, i, text, sizeof(text), MF_BYPOSITION);
                EXPECT_STREQ(text, items[i]);
            }
        }
        DestroyMenu(popup);
    }
    menu->Release();
}

// Each string fits a roomy buffer whole, and a small one cut and terminated
// with the rest of the buffer untouched; the ANSI and wide forms agree.
TEST_F(ExtensionMenu, CommandStringsAreBoundedByTheBufferAndAgreeInBothForms)
{
    IContextMenu *menu = MenuFor(names_);
    ASSERT_NE(menu, (IContextMenu *)NULL);
    for (UINT id = 0; id < 2; id++) {
        EXPECT_EQ(menu->GetCommandString(id, GCS_VALIDATEA, NULL, NULL, 0), S_OK);
        EXPECT_EQ(menu->GetCommandString(id, GCS_VALIDATEW, NULL, NULL, 0), S_OK);
        for (UINT type : {GCS_VERBA, GCS_HELPTEXTA}) {
            char text[256] = "", cut[8];
            WCHAR wide[256] = L"", cutW[8];
            ASSERT_EQ(menu->GetCommandString(id, type, NULL, text, sizeof(text)), S_OK);
            ASSERT_EQ(menu->GetCommandString(id, type | GCS_UNICODE, NULL, (LPSTR)wide, 256), S_OK);
            EXPECT_GT(strlen(text), 4u);
            char back[256] = "";
            WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof(back), NULL, NULL);
            EXPECT_STREQ(back, text);
            memset(cut, 'x', sizeof(cut));
            wmemset(cutW, L'x', 8);
            EXPECT_TRUE(FAILED(menu->GetCommandString(id, type, NULL, cut, 4)));
            EXPECT_TRUE(FAILED(menu->GetCommandString(id, type | GCS_UNICODE, NULL, (LPSTR)cutW, 4)));
            EXPECT_EQ(std::string(cut, 5), std::string(text, 3) + '\0' + 'x');
            EXPECT_TRUE(cutW[3] == 0 && cutW[4] == L'x' && cutW[0] == (WCHAR)text[0]);
        }
    }
    char text[64] = "";
    for (UINT type : {GCS_VERBA, GCS_HELPTEXTA, GCS_VALIDATEA})
        EXPECT_EQ(menu->GetCommandString(2, type, NULL, text, sizeof(text)), E_INVALIDARG);
    menu->Release();
}

}  // namespace
