#pragma once
#include <gtest/gtest.h>

#include "wizard/wizard_driver.h"

// Takes the server certificate that the settings page imported (the thumbprint in
// g_settings) out of the machine's personal store again, with its private key.
void RemoveImportedServerCertificate();

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
