#include "formats/crypto/start_file.h"

#include <aclapi.h>

#include "base/installation_names.h"
#include "base/object_security.h"
#include "base/path_join.h"
#include "base/scoped_handle.h"
#include "formats/crypto/crypto_file.h"
#include "formats/crypto/crypto_file_seams.h"
#include "formats/crypto/data_key.h"

SetNamedSecurityInfoCall g_setNamedSecurityInfoCall = SetNamedSecurityInfoW;

namespace {

const DWORD kStartFileBufferSize = 262144;

// The administrator's account: readable by SYSTEM (the server's account) and Administrators
// alone, and not by inheritance from the folder, whose rights let Users read. Protected, so
// that the folder's rights, set again on an upgrade, leave it as it is.
const wchar_t kStartFileRights[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";

// False with the system's reason when the rights cannot be set.
bool RestrictStartFile(wchar_t* path)
{
    UniqueLocalMemory descriptor;
    if (!SecurityFromText(kStartFileRights, descriptor))
        return false;
    PACL rights = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor.Get(), &present, &rights, &defaulted))
        return false;
    const DWORD error = g_setNamedSecurityInfoCall(
        path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
        rights, nullptr);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

}  // namespace

bool WriteStartFile(const wchar_t* installDir, const BYTE* accountRecord, size_t accountSize,
                    const BYTE* localeRecord, size_t localeSize)
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, installDir, kStartFileName))
        return false;
    CCryptoFile file(false, kStartFileBufferSize);
    // Restricted before the account is written into it.
    if (!file.Open(path, 0, CREATE_ALWAYS) || !RestrictStartFile(path))
        return false;
    file.SetKey(DataKey, kDataKeyBits);
    file.Write(accountRecord, static_cast<DWORD>(accountSize));
    file.Write(localeRecord, static_cast<DWORD>(localeSize));
    file.Flush();
    file.Close();
    SetLastError(ERROR_SUCCESS);
    return true;
}
