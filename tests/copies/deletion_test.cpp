// The deletion record read back after a write cut short by a power cut.
#include "support/files.h"

#include "layout/deletion_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

static int Collect(const char *source, const FILETIME *at, void *context)
{
    (void)at;
    ((std::vector<std::string> *)context)->push_back(source);
    return 1;
}

struct TornCase {
    int cut;           // bytes of the last record lost
    bool appendAfter;  // a record written after the torn one
};

// A torn record costs that record only: the whole ones before it, and one
// appended after it, are all read.
TEST(DeletionRecord, ATornRecordHidesNoneBeforeOrAfterIt)
{
    const TornCase cases[] = {{1, false}, {12, false}, {25, false}, {5, true}, {30, true}};
    for (const TornCase &c : cases) {
        SCOPED_TRACE(c.cut);
        std::string backup = MakeScratchFolder("duplix deletions"), record = backup + "\\" DELETION_FILE;
        std::vector<std::string> written = {"C:\\work\\a.txt", "C:\\work\\2026", "C:\\work\\2026\\b.doc",
                                            "C:\\work\\torn.txt"};
        FILETIME at = {0x12345678, 0x01DC0000};
        for (const std::string &path : written)
            ASSERT_TRUE(AppendDeletion(backup.c_str(), path.c_str(), &at));
        std::string whole = ReadText(record);
        size_t size = 0;
        for (const std::string &path : written)
            size += 20 + path.size();
        ASSERT_EQ(whole.size(), size) << "a mark, the length, a checksum and the moment before each path";
        HANDLE file = CreateFileA(record.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        SetFilePointer(file, (LONG)whole.size() - c.cut, NULL, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        written.pop_back();
        if (c.appendAfter) {
            written.push_back("C:\\work\\after.txt");
            ASSERT_TRUE(AppendDeletion(backup.c_str(), written.back().c_str(), &at));
        }
        std::vector<std::string> read;
        EXPECT_EQ(ForEachDeletion(backup.c_str(), "C:\\work", Collect, &read), 1);
        EXPECT_EQ(read, written);
        RemoveFolderTree(backup);
    }
}

// Once an append takes the record past its trim size, what is older than
// the longest ring goes; below that size nothing is rewritten.
TEST(DeletionRecord, AnAppendPastTheTrimSizeDropsWhatNoRingStillHolds)
{
    const struct {
        const char *name;
        bool pastTrim;
    } cases[] = {{"below the trim size", false}, {"past it", true}};
    const FILETIME old = {0, 0x01D00000}, now = {0, 0x01DC0000};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string backup = MakeScratchFolder("duplix deletions"), record = backup + "\\" DELETION_FILE;
        ASSERT_TRUE(AppendDeletion(backup.c_str(), "C:\\work\\old.txt", &old));
        std::string one = ReadText(record), many;
        size_t count = DELETION_TRIM_SIZE / one.size() - (c.pastTrim ? 0 : 1);
        for (size_t i = 0; i < count; i++)
            many += one;
        ASSERT_TRUE(WriteText(record, many));
        ASSERT_TRUE(AppendDeletion(backup.c_str(), "C:\\work\\new.txt", &now));
        std::vector<std::string> read;
        ForEachDeletion(backup.c_str(), "C:\\work", Collect, &read);
        ASSERT_FALSE(read.empty());
        EXPECT_EQ(read.back(), "C:\\work\\new.txt");
        EXPECT_EQ(read.size() - 1, c.pastTrim ? 0 : count);
        RemoveFolderTree(backup);
    }
}

}  // namespace
