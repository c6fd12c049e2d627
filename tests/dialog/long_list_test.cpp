// A long stored list, shuffled and full of letter-case variants, opens to
// exactly the list that adding its entries one by one to the same control
// gives: entries, order, selection, focus and column width.
#include "list_fixture.h"

#include "support/product_key.h"

#include <algorithm>
#include <random>

namespace {

// Paths whose order in the locale's word sort differs from a plain byte
// order: letter case, hyphens and apostrophes, accented letters, digits,
// blanks, an empty text and the longest text that can be stored.
std::vector<std::string> MakeStoredList()
{
    const char *parts[] = {"co-op", "coop", "Co-Op", "it's", "its", "\xc9t\xe9", "ete", "_x", "x_", "a b",
                           "ab", "Zed", "zed1", "10", "9", "~t", "\xe4pfel", "Apfel"};
    std::mt19937 random(1998);
    std::vector<std::string> texts;
    for (int i = 0; i < 1200; i++) {
        std::string text = "C:\\" + std::string(parts[random() % 18]) + "\\" + parts[random() % 18];
        text += " " + std::to_string(random() % 400) + ".txt";
        texts.push_back(text);
    }
    texts.push_back("");
    texts.push_back(std::string(259, 'q'));
    // Exact copies and case variants of entries, spread all over the list.
    for (int i = 0; i < 500; i++) {
        std::string copy = texts[random() % texts.size()];
        if (!copy.empty() && i % 3 == 1)
            CharUpperA(&copy[0]);
        else if (!copy.empty() && i % 3 == 2)
            CharLowerA(&copy[0]);
        texts.push_back(copy);
    }
    std::shuffle(texts.begin(), texts.end(), random);
    return texts;
}

class LongList : public ListTest {
protected:
    void Prepare() override
    {
        stored_ = MakeStoredList();
        for (size_t i = 0; i < stored_.size(); i++)
            PutString(ListItem((int)i).c_str(), stored_[i]);
    }

    struct Seen {
        std::vector<std::string> entries;
        int selected, focused, width;
    };

    Seen Look() const
    {
        int focused = (int)SendMessageA(List(), LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED);
        return Seen{Entries(), Selected(), focused, ColumnWidth()};
    }

    std::vector<std::string> stored_;
};

TEST_F(LongList, OpensToTheListThatAddingOneByOneGives)
{
    Seen opened = Look();
    EXPECT_EQ(GetFocus(), Item(IDOK));
    EXPECT_EQ(GetWindowLongA(Item(IDOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);

    // The same control, emptied and filled the plain way: each entry added
    // unless an equal one (case ignored) is there, the last one selected.
    SendMessageA(List(), LVM_DELETEALLITEMS, 0, 0);
    for (const std::string &text : stored_)
        FindOrAddItem(text.c_str());
    AddOrSelectItem(stored_.back().c_str());
    FitListColumn();
    Seen oneByOne = Look();

    ASSERT_GT(oneByOne.entries.size(), 1000u);
    ASSERT_LT(oneByOne.entries.size(), stored_.size()) << "the list has case variants to drop";
    EXPECT_EQ(opened.entries, oneByOne.entries);
    EXPECT_EQ(opened.selected, oneByOne.selected);
    EXPECT_EQ(opened.focused, oneByOne.focused);
    EXPECT_EQ(opened.width, oneByOne.width);
}

}  // namespace
