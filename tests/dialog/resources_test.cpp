// The icon, the link cursor and the version block as compiled into the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {

#pragma pack(push, 2)
struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct GroupHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

const BYTE *NeutralResource(LPCSTR type, int id, DWORD *size = NULL)
{
    HRSRC res = FindResourceExA(NULL, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (res == NULL)
        return NULL;
    if (size)
        *size = SizeofResource(NULL, res);
    return (const BYTE *)LockResource(LoadResource(NULL, res));
}

std::vector<GroupEntry> GroupEntries(LPCSTR type, int id, WORD *groupType)
{
    std::vector<GroupEntry> out;
    const BYTE *data = NeutralResource(type, id);
    if (data == NULL)
        return out;
    GroupHeader head;
    memcpy(&head, data, sizeof(head));
    *groupType = head.type;
    for (WORD i = 0; i < head.count; i++) {
        GroupEntry e;
        memcpy(&e, data + sizeof(head) + i * sizeof(e), sizeof(e));
        out.push_back(e);
    }
    return out;
}

// Colour depth of an icon or cursor image, read from its own bitmap header.
WORD ImageBitCount(LPCSTR type, WORD id, bool isCursor)
{
    const BYTE *data = NeutralResource(type, id);
    if (data == NULL)
        return 0;
    BITMAPINFOHEADER bih;
    memcpy(&bih, data + (isCursor ? 4 : 0), sizeof(bih));  // cursors begin with the hot spot
    return bih.biBitCount;
}

TEST(ProgramResources, IconGroupHoldsA32And16PixelImageOf16Colours)
{
    WORD type = 0;
    std::vector<GroupEntry> entries = GroupEntries((LPCSTR)RT_GROUP_ICON, IDI_APP, &type);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(type, 1);
    int sizes[2] = {32, 16};
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(entries[i].width, sizes[i]);
        EXPECT_EQ(entries[i].height, sizes[i]);
        EXPECT_EQ(entries[i].colours, 16);
        EXPECT_EQ(entries[i].bitCount, 4);
        EXPECT_EQ(ImageBitCount((LPCSTR)RT_ICON, entries[i].id, false), 4);
    }
    EXPECT_NE(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_APP)), (HICON)NULL);
}

TEST(ProgramResources, CursorIsA32PixelHandOf256ColoursWithTheTipAsHotSpot)
{
    WORD type = 0;
    std::vector<GroupEntry> entries = GroupEntries((LPCSTR)RT_GROUP_CURSOR, IDC_LINK_CURSOR, &type);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(type, 2);
    // A cursor directory entry keeps width and height as words, the height
    // doubled for the image and its mask.
    const BYTE *raw = NeutralResource((LPCSTR)RT_GROUP_CURSOR, IDC_LINK_CURSOR);
    WORD width, height;
    memcpy(&width, raw + 6, 2);
    memcpy(&height, raw + 8, 2);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 64);
    EXPECT_EQ(ImageBitCount((LPCSTR)RT_CURSOR, entries[0].id, true), 8);

    HCURSOR hand = LoadCursorA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDC_LINK_CURSOR));
    ASSERT_NE(hand, (HCURSOR)NULL);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 1u);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

// One node of the version block tree.
struct VersionNode {
    std::string key;
    std::string text;          // for text values
    std::vector<BYTE> binary;  // for binary values
    std::vector<VersionNode> children;
};

std::string Narrow(const WORD *w, size_t maxChars)
{
    std::string s;
    for (size_t i = 0; i < maxChars && w[i] != 0; i++)
        s += (char)w[i];
    return s;
}

size_t Align4(size_t n) { return (n + 3) & ~(size_t)3; }

VersionNode ParseVersionNode(const BYTE *base, size_t at)
{
    VersionNode node;
    WORD length, valueLength, type;
    memcpy(&length, base + at, 2);
    memcpy(&valueLength, base + at + 2, 2);
    memcpy(&type, base + at + 4, 2);
    const WORD *key = (const WORD *)(base + at + 6);
    node.key = Narrow(key, 64);
    size_t p = Align4(at + 6 + (node.key.size() + 1) * 2);
    if (type == 1) {
        node.text = Narrow((const WORD *)(base + p), valueLength);
        p = Align4(p + valueLength * 2);
    } else {
        node.binary.assign(base + p, base + p + valueLength);
        p = Align4(p + valueLength);
    }
    while (p < at + length) {
        VersionNode child = ParseVersionNode(base, p);
        WORD childLength;
        memcpy(&childLength, base + p, 2);
        node.children.push_back(child);
        p = Align4(p + childLength);
    }
    return node;
}

TEST(ProgramResources, VersionBlockHasTheFixedPartAndEveryKeyInOrder)
{
    const BYTE *raw = NeutralResource((LPCSTR)RT_VERSION, 1);
    ASSERT_NE(raw, (const BYTE *)NULL);
    VersionNode root = ParseVersionNode(raw, 0);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.binary.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, root.binary.data(), sizeof(fixed));
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, MAKELONG(7, 1998));
    EXPECT_EQ(fixed.dwFileVersionLS, MAKELONG(1455, 1));
    EXPECT_EQ(fixed.dwProductVersionMS, MAKELONG(7, 1998));
    EXPECT_EQ(fixed.dwProductVersionLS, MAKELONG(1455, 1));
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed.dwFileType, (DWORD)VFT_APP);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode &strings = root.children[0];
    EXPECT_EQ(strings.key, "StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    const VersionNode &table = strings.children[0];
    EXPECT_EQ(table.key, "000004b0");
    const char *keys[] = {"Comments", "CompanyName", "FileDescription", "FileVersion", "InternalName",
                          "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
                          "ProductVersion"};
    ASSERT_EQ(table.children.size(), 10u);
    for (size_t i = 0; i < 10; i++)
        EXPECT_EQ(table.children[i].key, keys[i]);
    EXPECT_EQ(table.children[0].text.rfind("Duplix - ", 0), 0u) << table.children[0].text;
    EXPECT_NE(table.children[1].text.find(".example"), std::string::npos) << table.children[1].text;
    EXPECT_EQ(table.children[3].text, "1998, 7, 1, 1455");
    EXPECT_EQ(table.children[4].text, "Duplix Dialog");
    EXPECT_EQ(table.children[7].text, "Duplix.exe");
    EXPECT_EQ(table.children[8].text, "VELT Duplix 98");
    EXPECT_EQ(table.children[9].text, "1998, 7, 1, 1455");

    const VersionNode &vars = root.children[1];
    EXPECT_EQ(vars.key, "VarFileInfo");
    ASSERT_EQ(vars.children.size(), 1u);
    EXPECT_EQ(vars.children[0].key, "Translation");
    std::vector<BYTE> translation = {0x00, 0x00, 0xB0, 0x04};
    EXPECT_EQ(vars.children[0].binary, translation);
}

TEST(ProgramResources, ProductVersionReadsByItsFixedPath)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof(path));
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    char *text = NULL;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\000004b0\\ProductVersion", (void **)&text, &len));
    EXPECT_STREQ(text, "1998, 7, 1, 1455");
}

}  // namespace
