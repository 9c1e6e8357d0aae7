#pragma once

// Takes the server certificate that the settings page imported (the thumbprint in
// g_settings) out of the machine's personal store again, with its private key.
void RemoveImportedServerCertificate();
