#include "formats/crypto/start_file.h"

#include "base/path_join.h"
#include "formats/crypto/crypto_file.h"
#include "formats/crypto/data_key.h"

namespace {

const DWORD kStartFileBufferSize = 262144;

}  // namespace

bool WriteStartFile(const wchar_t* installDir, const BYTE* accountRecord, size_t accountSize,
                    const BYTE* localeRecord, size_t localeSize)
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, installDir, L"config\\start.dat"))
        return false;
    CCryptoFile file(false, kStartFileBufferSize);
    if (!file.Open(path, 0, CREATE_ALWAYS))
        return false;
    file.SetKey(DataKey, kDataKeyBits);
    file.Write(accountRecord, static_cast<DWORD>(accountSize));
    file.Write(localeRecord, static_cast<DWORD>(localeSize));
    file.Flush();
    file.Close();
    SetLastError(ERROR_SUCCESS);
    return true;
}
