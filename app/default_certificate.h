#pragma once

// Points g_settings.default_certificate at the PFX image embedded in the program
// (empty when the program carries none).
void LoadDefaultCertificate();
