#include "e2e/setup_runs.h"

#include "base/scoped_handle.h"
#include "base/setup_tools.h"
#include "support/uninstall_entry_reader.h"
#include "support/wait_until.h"
#include "setup_path.h"

namespace {

std::wstring AppDefaultsKey(const std::wstring& exeName)
{
    return L"Software\\Wine\\AppDefaults\\" + exeName;
}

} // namespace

SetupRunTest::SetupRunTest()
{
    // The folder's unique name makes the program's name unique too.
    exeName_ = folder_.Path().substr(folder_.Path().find_last_of(L'\\') + 1) + L".exe";
    // Another build's setup.exe (the i686 one) where the test run names it.
    wchar_t other[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"VELMORA_SETUP_UNDER_TEST", other, MAX_PATH);
    const wchar_t* setup = length > 0 && length < MAX_PATH ? other : VELMORA_SETUP_EXE;
    EXPECT_TRUE(CopyFileW(setup, folder_.File(exeName_.c_str()).c_str(), TRUE)) << "cannot copy " << setup;
}

SetupRunTest::~SetupRunTest()
{
    RegDeleteKeyW(HKEY_CURRENT_USER, AppDefaultsKey(exeName_).c_str());
}

bool SetupRunTest::SetWindowsVersion(const wchar_t* version)
{
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, AppDefaultsKey(exeName_).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &raw, nullptr) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(raw);
    return RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                          static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void SetupRunTest::WriteSettingsFile(const std::string& lines, bool withInstallation)
{
    std::string text = lines;
    if (withInstallation) {
        std::wstring folder = installation_.InstallDir();
        std::wstring service = installation_.ServiceName();
        text += "path=" + std::string(folder.begin(), folder.end()) + "\r\nservice=" +
                std::string(service.begin(), service.end()) + "\r\n";
    }
    ASSERT_TRUE(WriteWholeFile(folder_.File(L"velmorasetup.cfg"), text));
}

std::wstring SetupRunTest::SetupCommand(const std::wstring& arguments) const
{
    return L"\"" + folder_.File(exeName_.c_str()) + L"\" " + arguments;
}

ProgramRun SetupRunTest::RunSetup(const std::function<void(WizardDriver&)>& drive, const std::wstring& arguments)
{
    auto driveWizard = [&](DWORD processId) {
        WizardDriver wizard(FindWizardWindow(processId));
        EXPECT_NE(nullptr, wizard.Sheet()) << "no wizard appeared";
        if (wizard.Sheet())
            drive(wizard);
    };
    ProgramRun run = RunProgram({SetupCommand(arguments), AnswerQuestionsWith(IDYES), nullptr,
                                 drive ? driveWizard : std::function<void(DWORD)>(), kInstallTimeoutMs + 60000,
                                 folder_.Path()});
    EXPECT_TRUE(run.ended) << "setup did not end";
    return run;
}

void RemoveInstallation(const std::wstring& folder, const wchar_t* service)
{
    g_setupTools.ControlServiceAndWait(service, true);
    g_setupTools.RemoveService(service);
    UninstallEntryReader(service).Delete();
    const std::wstring server = folder + L"\\Velmora.exe";
    WaitUntil([&] { return g_setupTools.FindProcessByPath(server.c_str()) == 0; }, 120000);
    TempFolder::DeleteTree(L"\\\\?\\" + folder);
}

std::set<std::wstring> DefaultLogs()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::set<std::wstring> logs;
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle find(FindFirstFileW((std::wstring(temp) + L"VelmoraSetup-*.log").c_str(), &found));
    if (find) {
        do
            logs.insert(std::wstring(temp) + found.cFileName);
        while (FindNextFileW(find.Get(), &found));
    }
    return logs;
}

std::vector<std::wstring> NewDefaultLogs(const std::set<std::wstring>& before)
{
    std::vector<std::wstring> made;
    for (const std::wstring& log : DefaultLogs())
        if (!before.count(log))
            made.push_back(log);
    return made;
}

bool TypeInto(const WizardDriver& wizard, int controlId, const std::wstring& text)
{
    DWORD_PTR result = 0;
    return wizard.Item(controlId) && SendMessageTimeoutW(wizard.Item(controlId), WM_SETTEXT, 0,
                                                         reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                                         5000, &result) && result;
}
