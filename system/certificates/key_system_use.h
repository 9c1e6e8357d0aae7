#pragma once
#include <windows.h>

// True when the DACL of a key container's security descriptor lets LocalSystem read the key
// (GENERIC_READ, GENERIC_ALL or FILE_READ_DATA): the first ACE that names SYSTEM or a group
// of its token (Administrators, Everyone, Authenticated Users) and carries one of those
// rights decides, a denial before a grant denies. A null DACL grants all, an empty one
// nothing; no descriptor proves nothing.
bool KeyDescriptorGrantsSystemUse(PSECURITY_DESCRIPTOR descriptor);
