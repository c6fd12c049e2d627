// A power cut cannot be staged here: these tests check, through the test
// program's own import table, that a copy is flushed before its rename and
// that the rename is written through; and that the renames of Windows 9x
// never leave the newest copy missing.
#include "notifier/notifier.h"

#include "support/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;
// The real functions: calls by name would come back through the patch.
BOOL(WINAPI *g_flush)(HANDLE);
BOOL(WINAPI *g_move)(LPCSTR, LPCSTR, DWORD);

BOOL WINAPI RecordFlush(HANDLE file)
{
    g_calls.push_back("flush");
    return g_flush(file);
}

BOOL WINAPI RecordMove(LPCSTR from, LPCSTR to, DWORD flags)
{
    g_calls.push_back((flags & MOVEFILE_WRITE_THROUGH) ? "move written through" : "move");
    return g_move(from, to, flags);
}

// Points this program's import of a kernel32 function at another; the old
// address, or NULL when the program does not import it.
void *PatchImport(const char *name, void *with)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *d = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); d->Name; d++) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + d->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *byName = (IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (lstrcmpA((const char *)byName->Name, name) != 0)
                continue;
            DWORD old;
            void *was = (void *)slots->u1.Function;
            VirtualProtect(&slots->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
            slots->u1.Function = (ULONG_PTR)with;
            VirtualProtect(&slots->u1.Function, sizeof(void *), old, &old);
            return was;
        }
    }
    return NULL;
}

class DurableCopy : public testing::Test {
protected:
    void SetUp() override { root_ = MakeScratchFolder("duplix-durable"); }
    void TearDown() override { RemoveFolderTree(root_); }
    std::string root_;
};

TEST_F(DurableCopy, TheCopyIsFlushedBeforeItsRenameAndTheRenameIsWrittenThrough)
{
    std::string source = root_ + "\\plan.doc", target = root_ + "\\bak\\plan.doc";
    ASSERT_TRUE(WriteText(source, "new content"));
    ASSERT_TRUE(WriteText(target, "old"));
    g_calls.clear();
    void *flush = PatchImport("FlushFileBuffers", (void *)RecordFlush);
    void *move = PatchImport("MoveFileExA", (void *)RecordMove);
    g_flush = (BOOL(WINAPI *)(HANDLE))flush;
    g_move = (BOOL(WINAPI *)(LPCSTR, LPCSTR, DWORD))move;
    int result = CopyThroughTemp(source.c_str(), target.c_str(), PLACE_RENAME, NULL);
    PatchImport("FlushFileBuffers", flush);
    PatchImport("MoveFileExA", move);
    ASSERT_NE(flush, nullptr);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(result, COPY_DONE);
    EXPECT_EQ(ReadText(target), "new content");
    EXPECT_EQ(g_calls, (std::vector<std::string>{"flush", "move written through"}));
}

TEST_F(DurableCopy, ReplacingByRenamesKeepsTheOldCopyWhenTheNewCannotTakeItsPlace)
{
    struct Case {
        const char *name;
        bool newThere, oldThere, oldAside;
        const char *after;  // the target's content afterwards
        bool replaced;
    } cases[] = {
        {"new over old", true, true, false, "new", true},
        {"new where none was", true, false, false, "new", true},
        {"new one missing", false, true, false, "old", false},
        {"old left aside by a cut", false, false, true, "old", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string from = root_ + "\\copy.~dx", to = root_ + "\\copy.txt";
        DeleteFileA(from.c_str());
        DeleteFileA(to.c_str());
        if (c.newThere) {
            ASSERT_TRUE(WriteText(from, "new"));
        }
        if (c.oldThere || c.oldAside) {
            ASSERT_TRUE(WriteText(c.oldAside ? to + ".~old" : to, "old"));
        }
        EXPECT_EQ(ReplaceByRenames(from.c_str(), to.c_str()) != 0, c.replaced);
        EXPECT_EQ(ReadText(to), c.after);
        EXPECT_FALSE(PathExists(to + ".~old"));
    }
}

TEST_F(DurableCopy, OneReadMakesASecondCopyThatNeverFailsTheFirst)
{
    struct Case {
        const char *name;
        bool sourceThere, secondBlocked, targetHeld;
        int result;
        const char *target;  // its content afterwards
        bool secondMade;
    } cases[] = {
        {"both made", true, false, false, COPY_DONE, "saved", true},
        {"the second's folder is a file", true, true, false, COPY_DONE, "saved", false},
        {"the source is gone", false, false, false, FAIL_MISSING, "<missing>", false},
        {"the target is held: the copy waits", true, false, true, COPY_WAITING, "held", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string source = root_ + "\\plan.doc", target = root_ + "\\newest\\plan.doc";
        std::string slot = root_ + "\\slot\\plan.doc";
        RemoveFolderTree(root_);
        CreateDirectoryA(root_.c_str(), NULL);
        if (c.sourceThere) {
            ASSERT_TRUE(WriteText(source, "saved"));
        }
        if (c.secondBlocked) {
            ASSERT_TRUE(WriteText(root_ + "\\slot", "a file where the folder goes"));
        }
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.targetHeld) {
            ASSERT_TRUE(WriteText(target, "held"));
            held = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        }
        int made = -1;
        EXPECT_EQ(CopyThroughTemps(source.c_str(), target.c_str(), slot.c_str(), PLACE_OR_WAIT, NULL, &made),
                  c.result);
        if (held != INVALID_HANDLE_VALUE) {
            CloseHandle(held);
        }
        EXPECT_EQ(ReadText(target), c.target);
        EXPECT_EQ(made != 0, c.secondMade);
        EXPECT_EQ(ReadText(slot), c.secondMade ? "saved" : "<missing>");
        EXPECT_FALSE(PathExists(target + TEMP_SUFFIX));
        EXPECT_FALSE(PathExists(slot + TEMP_SUFFIX));
    }
}

}  // namespace
