// The system error box: fixed text, empty line, the system's text for the
// calling thread's last error; the fixed text alone when there is none.
#include "store_fixture.h"

#include "store/reg_value.h"

namespace {

using SystemErrorBox = ProductKeyTest;

// An application-defined code (bit 29 set), for which the system has no text.
const DWORD kCodeWithoutText = 0x2000ABCD;

void ExpectErrorBoxBroughtToFront(const BoxSeen &box)
{
    ASSERT_TRUE(box.found) << "no box captioned VELT Duplix 98";
    EXPECT_TRUE(box.errorIcon);
    EXPECT_TRUE(box.onlyOk);
    EXPECT_FALSE(box.owned);
    EXPECT_TRUE(box.foreground);
}

TEST_F(SystemErrorBox, ShowsTheTextAnEmptyLineAndTheSystemsTextWithItsLineBreak)
{
    std::string system = SystemText(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(system.empty());
    ErrorBox box;
    SetLastError(ERROR_ACCESS_DENIED);
    ShowSystemError("Something was refused.");
    BoxSeen seen = box.Finish();
    ExpectErrorBoxBroughtToFront(seen);
    EXPECT_EQ(seen.text, "Something was refused.\r\n\r\n" + system);
    EXPECT_EQ(seen.text.substr(seen.text.size() - 2), "\r\n") << "the system's own line break is kept";
}

TEST_F(SystemErrorBox, CodeWithoutASystemTextShowsTheFixedTextAlone)
{
    ASSERT_EQ(SystemText(kCodeWithoutText), "");
    ErrorBox box;
    SetLastError(kCodeWithoutText);
    ShowSystemError("Something was refused.");
    BoxSeen seen = box.Finish();
    ExpectErrorBoxBroughtToFront(seen);
    EXPECT_EQ(seen.text, "Something was refused.");
}

TEST_F(SystemErrorBox, LongFixedTextIsShownWholeBeforeTheSystemsText)
{
    std::string fixed(3000, 'L');
    fixed.back() = '.';
    std::string system = SystemText(ERROR_INVALID_HANDLE);
    ErrorBox box;
    SetLastError(ERROR_INVALID_HANDLE);
    ShowSystemError(fixed.c_str());
    BoxSeen seen = box.Finish();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, fixed + "\r\n\r\n" + system);
}

}  // namespace
