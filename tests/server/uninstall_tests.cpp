// uninstall.exe run from an installation: it asks first, and only after Yes stops and
// deletes that installation's service, the Start-menu group and the folder, and nothing
// that belongs to another folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/scoped_handle.h"
#include "server/test_installation.h"
#include "support/message_box_watcher.h"

namespace {

std::wstring ProgramGroupFolder()
{
    wchar_t programs[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    return std::wstring(programs) + L"\\Velmora Server";
}

void MakeProgramGroup()
{
    std::wstring group = ProgramGroupFolder();
    CreateDirectoryW(group.c_str(), nullptr);
    UniqueHandle link(CreateFileW((group + L"\\Uninstall....lnk").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  0, nullptr));
}

bool ServiceExists(const std::wstring& name)
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueServiceHandle service(OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    return service.IsValid();
}

bool WaitUntilGone(const std::wstring& path, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (PathExists(path)) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(100);
    }
    return true;
}

struct UninstallRun
{
    int exitCode = -1;
    DWORD processId = 0;
    std::vector<SeenMessageBox> boxes;
};

// Starts the uninstaller, answers its question with `answer` and waits for it to end.
UninstallRun RunUninstaller(const std::wstring& path, int answer)
{
    UninstallRun run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + path + L"\"";
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return run;
    UniqueHandle processHolder(process.hProcess), thread(process.hThread);
    run.processId = process.dwProcessId;
    {
        MessageBoxWatcher watcher(
            [answer](const SeenMessageBox& box) {
                return box.hasButton[IDYES] ? answer : MessageBoxWatcher::DefaultAnswer(box);
            },
            process.dwProcessId);
        if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 99);
            return run;
        }
        run.boxes = watcher.Seen();
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    run.exitCode = static_cast<int>(exitCode);
    return run;
}

std::wstring CopyLeftInTemp(DWORD originalProcessId)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"velmora-uninstall-" + std::to_wstring(originalProcessId) + L".exe";
}

}  // namespace

TEST(Uninstaller, AsksFirstAndRemovesServiceGroupAndFolderOnlyAfterYes)
{
    unsigned short port = FreeLoopbackPort();
    ASSERT_NE(0, port);
    TestInstallation installation(
        L"Uninstall", "server_ssl_mode=false\r\nserver_port=" + std::to_string(port) + "\r\n");
    // Another installation whose folder name starts alike must be left alone.
    TestInstallation neighbour(L"Uninstall-2", "");
    ASSERT_TRUE(installation.Ready());
    ASSERT_TRUE(neighbour.Ready());
    ASSERT_TRUE(installation.StartAndWaitReady());
    MakeProgramGroup();

    UninstallRun declined = RunUninstaller(installation.UninstallerPath(), IDNO);
    EXPECT_EQ(1, declined.exitCode);
    ASSERT_EQ(1u, declined.boxes.size());
    EXPECT_EQ(L"Velmora Server Uninstall", declined.boxes[0].title);
    EXPECT_NE(std::wstring::npos, declined.boxes[0].text.find(installation.Folder()));
    // (Wine's icon handles belong to each process, so the question icon cannot be
    // compared from here.)
    EXPECT_TRUE(declined.boxes[0].hasButton[IDYES]);
    EXPECT_TRUE(declined.boxes[0].hasButton[IDNO]);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), installation.Status().dwCurrentState);
    EXPECT_TRUE(PathExists(ProgramGroupFolder() + L"\\Uninstall....lnk"));
    EXPECT_TRUE(PathExists(installation.ServerPath()));

    UninstallRun accepted = RunUninstaller(installation.UninstallerPath(), IDYES);
    EXPECT_EQ(0, accepted.exitCode);
    EXPECT_EQ(1u, accepted.boxes.size());
    EXPECT_FALSE(ServiceExists(installation.ServiceName()));
    EXPECT_FALSE(PathExists(ProgramGroupFolder()));
    // The folder goes when the copy in the temporary folder has done its work.
    EXPECT_TRUE(WaitUntilGone(installation.Folder(), 30000));

    EXPECT_TRUE(ServiceExists(neighbour.ServiceName()));
    EXPECT_TRUE(PathExists(neighbour.ServerPath()));

    // The copy is left for the next restart to delete; the test removes it itself.
    std::wstring copy = CopyLeftInTemp(accepted.processId);
    for (int attempt = 0; attempt < 50 && PathExists(copy) && !DeleteFileW(copy.c_str()); ++attempt)
        Sleep(100);
    EXPECT_FALSE(PathExists(copy));
}

// The copy that finishes the removal deletes a folder only if it holds an uninstaller,
// so a wrong or stray argument cannot take anything else with it.
TEST(Uninstaller, FinishingCopyLeavesFolderWithoutUninstaller)
{
    std::wstring other = MakeTempFolder(L"Velmora Test Other");
    ASSERT_FALSE(other.empty());
    std::wstring data = other + L"\\data.txt";
    UniqueHandle(CreateFileW(data.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    int exitCode = RunAndWait(L"\"" + PayloadFolder() + L"\\uninstall.exe\" /finish 0 \"" + other + L"\"");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, exitCode);
    EXPECT_TRUE(PathExists(data));
    RemoveTree(other);
}
