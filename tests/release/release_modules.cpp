// The modules that call the delay-imported system DLLs (crypt32, httpapi, version, psapi),
// built as the release is (32-bit, its own thread model) and run under WoW64 and on 32-bit
// Windows: a slot the linker left empty, a call with the wrong convention or a structure
// of the wrong size fails here and in none of the 64-bit tests. The module tests proper run
// on the 64-bit build; these rows are one real call of each module, checked by its result.
// Usage: release-modules.exe <folder of the test certificates> <a release Velmora.exe>
#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "base/setup_tools.h"
#include "system/certificates/certificate_import.h"
#include "system/certificates/certificate_import_undo.h"
#include "system/certificates/certificate_info.h"
#include "system/certificates/certificate_removal.h"
#include "system/http/ssl_binding.h"
#include "wizard/settings_page/installed_version.h"

namespace {

int g_failures = 0;

void Check(bool passed, const char* what, DWORD code = 0)
{
    printf("%s: %s (code %lu)\n", passed ? "passed" : "FAILED", what, code);
    g_failures += passed ? 0 : 1;
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path)
{
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (bytes.empty() || !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 3) {
        printf("usage: release-modules.exe <certificates folder> <Velmora.exe>\n");
        return 2;
    }
    const std::wstring certificates = arguments[1];
    const std::wstring server = arguments[2];

    // crypt32: a PFX image read with its password (a wrong one calls the same functions).
    const std::vector<BYTE> image = ReadFileBytes(certificates + L"\\test_password.pfx");
    const DWORD size = static_cast<DWORD>(image.size());
    CertificateInfo info = {};
    DWORD code = ReadCertificateInfo(image.data(), size, L"Velmora-Test-7", &info);
    Check(code == 0 && lstrcmpW(info.common_name, L"password.test") == 0, "ReadCertificateInfo names the subject",
          code);

    // crypt32: imported into a store of its own, found there, taken out again.
    const wchar_t kStore[] = L"VelmoraReleaseCheck";
    BYTE hash[20] = {};
    DWORD hashLength = sizeof(hash);
    ServerCertificateImport import;
    code = ImportServerCertificate(image.data(), size, L"Velmora-Test-7", hash, &hashLength, kStore, &import);
    Check(code == 0 && hashLength == 20 && import.use == ServerCertificateUse::kImportAsNew,
          "ImportServerCertificate adds it", code);
    Check(MachineStoreHolds(kStore, hash, hashLength), "MachineStoreHolds finds it");
    Check(RemoveImportedCertificate(kStore, import) && !MachineStoreHolds(kStore, hash, hashLength),
          "RemoveImportedCertificate takes it out", GetLastError());

    // httpapi: a binding set, read back, removed. Wine's HTTP service takes a binding and
    // keeps none (on either build): the binding read back is empty, the removal finds none.
    const wchar_t kAddress[] = L"127.0.0.9";
    Check(SetSslBinding(kAddress, hash, hashLength), "SetSslBinding binds the address", GetLastError());
    SavedSslBinding saved;
    Check(SaveSslBinding(kAddress, saved), "SaveSslBinding reads the binding back", GetLastError());
    code = RemoveSslBinding(kAddress);
    Check(code == 0 || (saved.Empty() && code == ERROR_FILE_NOT_FOUND), "RemoveSslBinding removes it", code);

    // version: the release server's own version is the one this setup offers.
    Check(ReadInstalledVersion(server.c_str()) == InstalledVersion::kNotNewer,
          "ReadInstalledVersion reads the server's version");
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Check(ReadInstalledVersion(self) == InstalledVersion::kUnversioned, "ReadInstalledVersion tells a file without one");

    // psapi (on XP) or the newer process call: this very process, found by its image.
    Check(g_setupTools.FindProcessByPath(self) == GetCurrentProcessId(), "FindProcessByPath finds this process");

    LocalFree(arguments);
    printf("%d failed\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
