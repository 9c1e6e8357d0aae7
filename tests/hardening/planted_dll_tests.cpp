// setup.exe, Velmora.exe and uninstall.exe run as administrator, possibly from a folder that
// others can write: none of them may load the copies of system DLLs planted beside it.
// Each planted DLL leaves "<its path>.loaded" when it is loaded (planted_dll.c).
#include <gtest/gtest.h>
#include <windows.h>

#include <iterator>
#include <string>

#include "base/scoped_handle.h"
#include "setup_path.h"
#include "support/program_run.h"
#include "support/temp_folder.h"

namespace {

const wchar_t* const kPlantedDlls[] = {L"crypt32.dll", L"httpapi.dll", L"psapi.dll", L"version.dll"};
// Wine's own user32 imports version.dll (that of Windows does not): beside a program with
// windows, a planted version.dll would be loaded by Wine before the program starts.
const size_t kBesideWindowedPrograms = 3;

// Copies the first `count` planted DLLs into `folder`.
bool PlantDlls(const std::wstring& folder, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        std::wstring dll = kPlantedDlls[i];
        if (!CopyFileW((VELMORA_PLANTED_DIR L"\\" + dll).c_str(), (folder + L"\\" + dll).c_str(), FALSE))
            return false;
    }
    return true;
}

void ExpectNoneLoaded(const std::wstring& folder)
{
    for (const wchar_t* dll : kPlantedDlls)
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((folder + L"\\" + dll + L".loaded").c_str()))
            << "the planted " << std::string(dll, dll + wcslen(dll)) << " was loaded";
}

// Copies `program` beside the first `planted` DLLs, runs it with `arguments` and returns
// its exit code, or -1 when it showed a box or did not end within a minute.
DWORD RunBesidePlantedDlls(const TempFolder& folder, const wchar_t* program, const wchar_t* arguments,
                           size_t planted)
{
    std::wstring copy = folder.File(wcsrchr(program, L'/') + 1);
    if (!PlantDlls(folder.Path(), planted) || !CopyFileW(program, copy.c_str(), FALSE))
        return static_cast<DWORD>(-1);
    ProgramStart start = {L"\"" + copy + L"\" " + arguments};
    start.folder = folder.Path();
    ProgramRun run = RunProgram(start);
    return run.ended && run.boxes.empty() ? run.exitCode : static_cast<DWORD>(-1);
}

}  // namespace

TEST(PlantedDlls, SetupLoadsNoneFromItsFolder)
{
    TempFolder folder(L"planted-setup");
    // A name of its own, for which Wine reports a refused Windows version: the setup then
    // ends after its first box.
    const std::wstring name = L"setup-planted-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + name;
    ASSERT_TRUE(PlantDlls(folder.Path(), kBesideWindowedPrograms));
    ASSERT_TRUE(CopyFileW(VELMORA_SETUP_EXE, folder.File(name.c_str()).c_str(), FALSE));
    HKEY created = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             &created, nullptr));
    UniqueRegKey version(created);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(created, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"win2k"), 12));
    ProgramRun run = RunProgram({L"\"" + folder.File(name.c_str()) + L"\""});
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(static_cast<DWORD>(-1), run.exitCode);
    EXPECT_EQ(1u, run.boxes.size());
    ExpectNoneLoaded(folder.Path());
}

// Arguments on which each program ends at once: the server explains itself, the
// uninstaller's finishing step refuses a folder without an uninstaller (and leaves what is
// in it, so that a wrong or stray argument takes nothing with it), and the probe calls a
// function of each DLL, which it must take from System32 even without a restricted search.
TEST(PlantedDlls, ServerUninstallerAndDelayLoadsLoadNoneFromTheirFolder)
{
    TempFolder other(L"other");
    ASSERT_TRUE(WriteWholeFile(other.File(L"data.txt"), "data"));
    const std::wstring finish = L"/finish 0 \"" + other.Path() + L"\"";
    const struct { const wchar_t* program; const wchar_t* arguments; size_t planted; DWORD exitCode; } cases[] = {
        {VELMORA_SERVER_EXE, L"", std::size(kPlantedDlls), 2},
        {VELMORA_UNINSTALL_EXE, finish.c_str(), kBesideWindowedPrograms, ERROR_INVALID_PARAMETER},
        {VELMORA_PROBE_EXE, L"", std::size(kPlantedDlls), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program, c.program + wcslen(c.program)));
        TempFolder folder(L"planted");
        EXPECT_EQ(c.exitCode, RunBesidePlantedDlls(folder, c.program, c.arguments, c.planted));
        ExpectNoneLoaded(folder.Path());
    }
    EXPECT_EQ("data", ReadWholeFile(other.File(L"data.txt")));
}
