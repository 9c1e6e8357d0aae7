#pragma once
// The default server certificate embedded in setup.exe: a PFX image with an empty
// password, an RCDATA resource.
#define IDR_DEFAULT_CERTIFICATE 300
