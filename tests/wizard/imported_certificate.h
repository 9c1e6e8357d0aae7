#pragma once
#include <gtest/gtest.h>

#include "certificates/certificate_fixtures.h"
#include "wizard/wizard_driver.h"

// Takes the server certificate that the settings page imported (the thumbprint in
// g_settings) out of the machine's personal store again, with its private key.
inline void RemoveImportedServerCertificate()
{
    std::vector<BYTE> hash = StoredThumbprint();
    if (hash != std::vector<BYTE>(20, 0))
        RemoveFromMachineStore(L"MY", hash);
}

// A test of the running wizard from a known record; what the settings page imported goes
// again afterwards.
class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override { ResetSettings(); }
    void TearDown() override
    {
        RemoveImportedServerCertificate();
        ResetSettings();
    }
};
