#pragma once
// The default server certificate embedded in setup.exe: a PFX image with an empty
// password, an RCDATA resource.
#define IDR_DEFAULT_CERTIFICATE 300
// The maker's root certificate (DER), added to the trusted roots from setup.exe itself,
// not from the unpacked folder, whose copy could be swapped before it is read.
#define IDR_ROOT_CERTIFICATE 301
