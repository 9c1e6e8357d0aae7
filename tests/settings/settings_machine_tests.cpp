// This machine as the settings check sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/default_certificate.h"
#include "base/install_settings.h"
#include "certificates/certificate_fixtures.h"
#include "support/temp_folder.h"
#include "wizard/settings_page/settings_machine.h"

TEST(LocalSettingsMachine, TellsFoldersFromFilesAndWhyAFolderCannotBeMade)
{
    TempFolder folder(L"settings-machine");
    std::wstring file = folder.File(L"a file");
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    LocalSettingsMachine machine;
    EXPECT_TRUE(machine.FolderExists(folder.Path().c_str()));
    EXPECT_FALSE(machine.FileExists(folder.Path().c_str()));
    EXPECT_TRUE(machine.FileExists(file.c_str()));
    EXPECT_FALSE(machine.FolderExists(file.c_str()));
    EXPECT_FALSE(machine.FileExists(folder.File(L"missing").c_str()));
    DWORD error = 0;
    EXPECT_FALSE(machine.CreateFolder((file + L"\\server").c_str(), &error));
    EXPECT_NE(0u, error);
    EXPECT_TRUE(machine.CreateFolder(folder.File(L"new\\server").c_str(), &error));
    EXPECT_TRUE(machine.FolderExists(folder.File(L"new\\server").c_str()));
}

TEST(LocalSettingsMachine, ImportsTheCertificateOnceForOnePressOfNext)
{
    LoadDefaultCertificate();
    LocalSettingsMachine machine;
    BYTE first[20] = {}, again[20] = {};
    DWORD length = 20;
    ASSERT_EQ(0u, machine.ImportCertificate(g_settings.default_certificate, g_settings.default_certificate_size,
                                            nullptr, first, &length));
    EXPECT_EQ(20u, length);
    length = 20;
    EXPECT_EQ(0u, machine.ImportCertificate(g_settings.default_certificate, g_settings.default_certificate_size,
                                            nullptr, again, &length));
    EXPECT_EQ(20u, length);
    std::vector<BYTE> hash(first, first + 20);
    EXPECT_EQ(hash, std::vector<BYTE>(again, again + 20));
    EXPECT_EQ(1, CountInMachineStore(L"MY", hash));
    RemoveFromMachineStore(L"MY", hash);
}
