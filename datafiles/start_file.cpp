#include "datafiles/start_file.h"

#include "app/install_settings.h"
#include "datafiles/crypto_file.h"
#include "engine/data_key.h"
#include "engine/path_join.h"

namespace {

const DWORD kStartFileBufferSize = 262144;

}  // namespace

bool WriteStartFile()
{
    wchar_t path[MAX_PATH];
    if (!JoinPath(path, g_settings.install_dir, L"config\\start.dat"))
        return false;
    CCryptoFile file(false, kStartFileBufferSize);
    if (!file.Open(path, 0, CREATE_ALWAYS))
        return false;
    file.SetKey(DataKey, kDataKeyBits);
    file.Write(AdminAccountRecord(g_settings), kAdminAccountRecordSize);
    file.Write(ServerLocaleRecord(g_settings), kServerLocaleRecordSize);
    file.Flush();
    file.Close();
    SetLastError(ERROR_SUCCESS);
    return true;
}
