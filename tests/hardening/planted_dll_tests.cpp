// setup.exe, Velmora.exe and uninstall.exe run as administrator, possibly from a folder that
// others can write: none of them may load the copies of system DLLs planted beside it.
// Each planted DLL leaves "<its path>.loaded" when it is loaded (planted_dll.c).
#include <gtest/gtest.h>
#include <windows.h>

#include <iterator>
#include <string>

#include "base/scoped_handle.h"
#include "setup_path.h"
#include "support/at_scope_exit.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

const wchar_t* const kPlantedDlls[] = {L"crypt32.dll", L"httpapi.dll", L"psapi.dll", L"version.dll"};
// Wine's own user32 imports version.dll (that of Windows does not): beside a program with
// windows, a planted version.dll would be loaded by Wine before the program starts.
const size_t kBesideWindowedPrograms = 3;

}  // namespace

// Each program runs from a folder of its own beside the planted DLLs, with arguments on
// which it ends at once. The setup has a name of its own, for which Wine reports a refused
// Windows version: it then ends after its first box. The server explains itself; the
// uninstaller's finishing step refuses a folder without an uninstaller (and leaves what is
// in it, so that a wrong or stray argument takes nothing with it); the probe calls a
// function of each DLL, which it must take from System32 even without a restricted search.
TEST(PlantedDlls, NoProgramLoadsOneFromItsFolder)
{
    const std::wstring setupName = L"setup-planted-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring setupKey = L"Software\\Wine\\AppDefaults\\" + setupName;
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, setupKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &created, nullptr));
    UniqueRegKey version(created);
    AtScopeExit remove([&] { RegDeleteKeyW(HKEY_CURRENT_USER, setupKey.c_str()); });
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(created, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"win2k"), 12));
    TempFolder other(L"other");
    ASSERT_TRUE(WriteWholeFile(other.File(L"data.txt"), "data"));
    const struct
    {
        const wchar_t* program;
        std::wstring name, arguments;
        size_t planted;
        DWORD exitCode;
        size_t boxes;
    } cases[] = {
        {VELMORA_SETUP_EXE, setupName, L"", kBesideWindowedPrograms, static_cast<DWORD>(-1), 1},
        {VELMORA_SERVER_EXE, L"Velmora.exe", L"", std::size(kPlantedDlls), 2, 0},
        // A refused command line: the usage, and nothing removed.
        {VELMORA_UNINSTALL_EXE, L"uninstall.exe", L"/finish 0 \"" + other.Path() + L"\"", kBesideWindowedPrograms,
         ERROR_INVALID_PARAMETER, 1},
        {VELMORA_PROBE_EXE, L"probe.exe", L"", std::size(kPlantedDlls), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.name));
        TempFolder folder(L"planted");
        for (size_t i = 0; i < c.planted; ++i)
            ASSERT_TRUE(CopyFileW((VELMORA_PLANTED_DIR L"\\" + std::wstring(kPlantedDlls[i])).c_str(),
                                  folder.File(kPlantedDlls[i]).c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(c.program, folder.File(c.name.c_str()).c_str(), FALSE));
        ProgramStart start = {L"\"" + folder.File(c.name.c_str()) + L"\" " + c.arguments};
        start.folder = folder.Path();
        ProgramRun run = RunProgram(start);
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_EQ(c.boxes, run.boxes.size());
        for (const wchar_t* dll : kPlantedDlls)
            EXPECT_FALSE(PathExists(folder.File(dll) + L".loaded")) << testing::PrintToString(std::wstring(dll));
    }
    EXPECT_EQ("data", ReadWholeFile(other.File(L"data.txt")));
}
