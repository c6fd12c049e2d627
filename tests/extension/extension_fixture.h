// The extension created through COM as the shell creates it, real files in a
// real folder, and the shell's own data object for them.
#ifndef TEST_EXTENSION_FIXTURE_H
#define TEST_EXTENSION_FIXTURE_H

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program.h"
#include "support/process.h"
#include "support/wait.h"

class ExtensionTest : public ::testing::Test {
protected:
    // Starts Duplix.exe once, which registers the extension, and makes the files.
    static void SetUpTestSuite();
    void SetUp() override;
    // Cancels any settings window left open.
    void TearDown() override;

    static CLSID ExtensionClass();
    // A new extension object, initialised with these files of the test folder.
    IContextMenu *MenuFor(const std::vector<std::string> &names);
    // One initialised with this data object (released), expecting this result.
    IContextMenu *MenuFrom(IDataObject *data, HRESULT init = S_OK);
    static std::string FullPath(const std::string &name);
    // Invokes by offset, or by the verb the menu itself gives (ANSI or wide).
    enum Way { BY_OFFSET, BY_VERB, BY_WIDE_VERB };
    static HRESULT Invoke(IContextMenu *menu, UINT offset, Way way);

    static std::string folder_;
    static std::vector<std::string> names_;
};

// The OLE clipboard's data object for a CF_HDROP of any paths: Wine's shell
// folders cannot reach a file whose path is longer than 259 characters.
IDataObject *ClipboardDataObject(const std::vector<std::wstring> &paths);

// The dialog of a settings window of another process, read as a user sees it.
std::vector<std::string> ListOf(HWND settings);
bool LabelEditOpen(HWND settings);

#endif
