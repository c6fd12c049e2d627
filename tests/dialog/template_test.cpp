// The dialog template as compiled into the program: every field of the
// header and of each of the 20 controls, read from the raw resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "res/version.h"

namespace {

struct SzOrOrd {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::string text;
};

struct Item {
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id;
    SzOrOrd cls, title;
    WORD extra;
};

struct Template {
    DWORD style, exStyle;
    short x, y, cx, cy;
    SzOrOrd menu, cls;
    std::string title;
    WORD points = 0;
    std::string face;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const BYTE *data) : base_(data), p_(data) {}
    WORD Word() { WORD w; memcpy(&w, p_, 2); p_ += 2; return w; }
    DWORD Dword() { DWORD d; memcpy(&d, p_, 4); p_ += 4; return d; }
    short Short() { return (short)Word(); }
    std::string Wide()
    {
        std::string s;
        for (WORD c = Word(); c != 0; c = Word())
            s += c < 128 ? (char)c : '?';
        return s;
    }
    SzOrOrd Field()
    {
        SzOrOrd f;
        WORD first;
        memcpy(&first, p_, 2);
        if (first == 0xFFFF) {
            p_ += 2;
            f.isOrdinal = true;
            f.ordinal = Word();
        } else {
            f.text = Wide();
        }
        return f;
    }
    void AlignDword() { p_ = base_ + (((p_ - base_) + 3) & ~3); }

private:
    const BYTE *base_;
    const BYTE *p_;
};

Template ReadTemplate()
{
    Template t;
    HRSRC res = FindResourceExA(NULL, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(IDD_SETTINGS),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    EXPECT_NE(res, (HRSRC)NULL) << "a language-neutral IDD_SETTINGS";
    if (res == NULL)
        return t;
    Reader r((const BYTE *)LockResource(LoadResource(NULL, res)));
    t.style = r.Dword();
    t.exStyle = r.Dword();
    WORD count = r.Word();
    t.x = r.Short();
    t.y = r.Short();
    t.cx = r.Short();
    t.cy = r.Short();
    t.menu = r.Field();
    t.cls = r.Field();
    t.title = r.Wide();
    if (t.style & DS_SETFONT) {
        t.points = r.Word();
        t.face = r.Wide();
    }
    for (WORD i = 0; i < count; i++) {
        r.AlignDword();
        Item it;
        it.style = r.Dword();
        it.exStyle = r.Dword();
        it.x = r.Short();
        it.y = r.Short();
        it.cx = r.Short();
        it.cy = r.Short();
        it.id = r.Word();
        it.cls = r.Field();
        it.title = r.Field();
        it.extra = r.Word();
        t.items.push_back(it);
    }
    return t;
}

struct Expected {
    int id;
    WORD classOrdinal;  // 0 for the list view, named by its class
    const char *text;   // NULL for the icon's ordinal text
    short x, y, cx, cy;
    DWORD style;
};

const Expected kControls[] = {
    {IDOK, 0x80, "O&K", 310, 30, 45, 14, 0x50010001},
    {IDCANCEL, 0x80, "Cance&l", 310, 45, 45, 14, 0x50010000},
    {IDC_HELP, 0x80, "&Help", 310, 70, 45, 14, 0x50010000},
    {IDC_FILE_LIST, 0, "List1", 40, 30, 260, 100, 0x5081031D},
    {IDC_ADD_FILE, 0x80, "&Add File", 40, 130, 35, 12, 0x50010000},
    {IDC_NEW_ITEM, 0x80, "&New", 75, 130, 36, 12, 0x50010000},
    {IDC_PASTE_ITEM, 0x80, "&Paste", 111, 130, 35, 12, 0x50010000},
    {IDC_CHANGE_ITEM, 0x80, "&Change", 160, 130, 36, 12, 0x50010000},
    {IDC_OPEN_ITEM, 0x80, "&Open", 196, 130, 34, 12, 0x50010000},
    {IDC_EDIT_ITEM, 0x80, "&Edit", 230, 130, 35, 12, 0x50010000},
    {IDC_REMOVE_ITEM, 0x80, "&Remove", 265, 130, 35, 12, 0x50010000},
    {0xFFFF, 0x82, "&Duplix Path:", 40, 155, 58, 8, 0x50020000},
    {IDC_BACKUP_PATH, 0x81, "", 98, 153, 132, 12, 0x50810080},
    {IDC_CHANGE_PATH, 0x80, "Chan&ge", 230, 153, 35, 12, 0x50010000},
    {IDC_OPEN_PATH, 0x80, "Open", 265, 153, 35, 12, 0x50010000},
    {IDC_APP_ICON, 0x82, NULL, 5, 30, 20, 20, 0x50000903},
    {IDC_VERSION_LABEL, 0x82, "98.7", 6, 52, 25, 18, 0x50020000},
    {0xFFFF, 0x82,
     "Add files to the Duplix list below. As soon as one of the listed files changes it will be "
     "copied to the Duplix path.",
     40, 6, 260, 20, 0x50020000},
    {IDC_MAKER_LABEL, 0x82, "Brought to you by VELT Software.", 87, 178, 120, 8, 0x50020102},
    {IDC_WEB_LINK, 0x82, DUPLIX_WEB_ADDRESS, 208, 178, 92, 8, 0x50020102},
};

TEST(DialogTemplate, HeaderIsThePlainTemplateWithTitleStyleAndFont)
{
    Template t = ReadTemplate();
    EXPECT_EQ(t.style, 0x90CA0AC4u);
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 362);
    EXPECT_EQ(t.cy, 188);
    EXPECT_FALSE(t.menu.isOrdinal);
    EXPECT_EQ(t.menu.text, "") << "no menu";
    EXPECT_FALSE(t.cls.isOrdinal);
    EXPECT_EQ(t.cls.text, "") << "the standard dialog class";
    EXPECT_EQ(t.title, "VELT Duplix 98 Settings");
    EXPECT_EQ(t.points, 8);
    EXPECT_EQ(t.face, "MS Sans Serif");
}

TEST(DialogTemplate, TwentyControlsInOrderWithClassTextPlaceAndStyle)
{
    Template t = ReadTemplate();
    ASSERT_EQ(t.items.size(), sizeof(kControls) / sizeof(kControls[0]));
    for (size_t i = 0; i < t.items.size(); i++) {
        const Item &it = t.items[i];
        const Expected &e = kControls[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        EXPECT_EQ(it.id, (WORD)e.id);
        if (e.classOrdinal != 0) {
            EXPECT_TRUE(it.cls.isOrdinal);
            EXPECT_EQ(it.cls.ordinal, e.classOrdinal);
        } else {
            EXPECT_FALSE(it.cls.isOrdinal);
            // Stored exactly as written, as rc.exe and llvm-windres store it
            // (GNU windres would store it in capitals).
            EXPECT_EQ(it.cls.text, "SysListView32");
        }
        if (e.text != NULL) {
            EXPECT_FALSE(it.title.isOrdinal);
            EXPECT_EQ(it.title.text, e.text);
        } else {
            EXPECT_TRUE(it.title.isOrdinal);
            EXPECT_EQ(it.title.ordinal, IDI_APP);
        }
        EXPECT_EQ(it.x, e.x);
        EXPECT_EQ(it.y, e.y);
        EXPECT_EQ(it.cx, e.cx);
        EXPECT_EQ(it.cy, e.cy);
        EXPECT_EQ(it.style, e.style);
        EXPECT_EQ(it.exStyle, 0u);
        EXPECT_EQ(it.extra, 0) << "no creation data";
    }
}

TEST(DialogTemplate, WebAddressIsUnderAReservedDomain)
{
    std::string address = DUPLIX_WEB_ADDRESS;
    ASSERT_GE(address.size(), 8u);
    EXPECT_EQ(address.substr(address.size() - 8), ".example");
}

}  // namespace
