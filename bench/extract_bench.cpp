// extract [--quick] [--repeat N] | extract --aes
// Measures payload extraction: builds archives of growing size from a synthetic server
// tree, then, each in a fresh process so that the peak counters belong to it alone,
// extracts the archive, inflates its decrypted stream without writing, and writes the
// same files raw; each N times (3 unless told), reporting medians. Then AES-128
// decryption of 64 KiB chunks with the AES instructions and with the tables.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <algorithm>
#include <string>
#include <vector>

#include "base/install_settings.h"
#include "bench/aes_speed.h"
#include "bench/bench_clock.h"
#include "bench/payload_recipe.h"
#include "engine/payload_extractor.h"
#include "formats/crypto/aes_cipher.h"
#include "formats/crypto/data_key.h"
#include "tools/payload-builder/payload_sinks.h"
#include "tools/payload-builder/payload_writer.h"

#include <zlib.h>

namespace {



void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// Packs the recipe; returns the bytes of content.
ULONGLONG BuildArchive(const std::vector<RecipeMember>& recipe, const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CFileSink sink(file);
    CPayloadWriter writer(sink, DataKey, kDataKeyBits);
    writer.Begin();
    static BYTE chunk[65536];
    ULONGLONG content = 0;
    for (const RecipeMember& member : recipe) {
        PayloadEntry entry = {};
        wcsncpy(entry.name, member.name.c_str(), 259);
        entry.size = member.size;
        GetSystemTimeAsFileTime(&entry.lastWriteTime);
        entry.creationTime = entry.lastAccessTime = entry.lastWriteTime;
        entry.attributes = member.size < 0 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        entry.replace = 1;
        writer.AddEntry(entry);
        ContentStream stream(member.compressible, member.seed);
        for (INT32 left = member.size; left > 0;) {
            DWORD piece = left < 65536 ? static_cast<DWORD>(left) : 65536;
            stream.Next(chunk, piece);
            writer.AddContent(chunk, piece);
            left -= piece;
        }
        if (member.size > 0)
            content += static_cast<ULONGLONG>(member.size);
    }
    writer.Finish();
    CloseHandle(file);
    return content;
}

struct MappedFile
{
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const BYTE* view = nullptr;
    DWORD size = 0;

    explicit MappedFile(const wchar_t* path)
    {
        file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        size = GetFileSize(file, nullptr);
        mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping)
            view = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    }
    ~MappedFile()
    {
        if (view)
            UnmapViewOfFile(view);
        if (mapping)
            CloseHandle(mapping);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
};

// --- The measured work, one per child process ------------------------------------------

bool RunExtract(const wchar_t* archive, const wchar_t* folder)
{
    MappedFile mapped(archive);
    if (!mapped.view)
        return false;
    CreateDirectoryW(folder, nullptr);
    wcsncpy(g_settings.install_dir, folder, MAX_PATH - 1);
    g_settings.force_auto = true;
    BYTE* input = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kPayloadBufferSize));
    BYTE* window = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kPayloadBufferSize));
    PayloadJob job;
    job.input = input;
    job.window = window;
    bool done = ExtractPayloadArchive(job, mapped.view, mapped.size, L"");
    HeapFree(GetProcessHeap(), 0, input);
    HeapFree(GetProcessHeap(), 0, window);
    return done;
}

// Inflates the decrypted stream through the same two buffers, dropping the output: the
// cost of inflate alone, which extraction adds decryption and files to.
bool RunInflate(const wchar_t* plainStream)
{
    MappedFile mapped(plainStream);
    if (!mapped.view)
        return false;
    static BYTE input[65536], window[65536];
    z_stream stream = {};
    inflateInit2(&stream, -MAX_WBITS);
    int result = Z_OK;
    for (DWORD at = 0; at < mapped.size && result != Z_STREAM_END;) {
        DWORD n = mapped.size - at < sizeof(input) ? mapped.size - at : sizeof(input);
        memcpy(input, mapped.view + at, n);
        at += n;
        stream.next_in = input;
        stream.avail_in = n;
        // Until inflate wants more input: the call after the last block's end, which
        // reports the stream's end, may need none.
        do {
            stream.next_out = window;
            stream.avail_out = sizeof(window);
            result = inflate(&stream, Z_BLOCK);
        } while (result == Z_OK);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            break;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

// The archive's deflate stream in the clear, for RunInflate.
bool WritePlainStream(const wchar_t* archive, const wchar_t* plainStream)
{
    MappedFile mapped(archive);
    if (!mapped.view || mapped.size < 8)
        return false;
    HANDLE file = CreateFileW(plainStream, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CAesCipher cipher;
    cipher.SetKey(DataKey, kDataKeyBits);
    static BYTE chunk[65536];
    bool written = true;
    for (DWORD at = 4; at < mapped.size && written;) {
        DWORD n = mapped.size - at < sizeof(chunk) ? mapped.size - at : sizeof(chunk);
        cipher.DecryptBlocks(mapped.view + at, chunk, n / CAesCipher::kBlockSize);
        DWORD done = 0;
        written = WriteFile(file, chunk, n, &done, nullptr) && done == n;
        at += n;
    }
    CloseHandle(file);
    return written;
}

// Creates the same folders and files with plain writes of the same sizes.
bool RunWrite(ULONGLONG totalBytes, const wchar_t* folder)
{
    CreateDirectoryW(folder, nullptr);
    static BYTE chunk[65536];
    for (const RecipeMember& member : MakeRecipe(totalBytes)) {
        std::wstring path = std::wstring(folder) + L"\\" + member.name;
        if (member.size < 0) {
            if (!CreateDirectoryW(path.c_str(), nullptr))
                return false;
            continue;
        }
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        for (INT32 left = member.size; left > 0;) {
            DWORD piece = left < 65536 ? static_cast<DWORD>(left) : 65536, written = 0;
            WriteFile(file, chunk, piece, &written, nullptr);
            left -= piece;
        }
        CloseHandle(file);
    }
    return true;
}

// --- The parent: one child per measurement ----------------------------------------------

struct Measured
{
    bool ok = false;
    double seconds = 0;
    double processorSeconds = 0;
    double peakWorkingSet = 0;
    double peakPrivate = 0;
};

Measured RunChild(const std::wstring& arguments)
{
    Measured measured;
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return measured;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(child.hProcess, INFINITE);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    CloseHandle(readEnd);
    int ok = 0;
    if (sscanf(output.c_str(), "RESULT %d %lf %lf %lf %lf", &ok, &measured.seconds, &measured.processorSeconds,
               &measured.peakWorkingSet, &measured.peakPrivate) == 5)
        measured.ok = ok != 0;
    return measured;
}

// The run of median time; a failed run counts as the slowest.
Measured Median(std::vector<Measured> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Measured& a, const Measured& b) {
        return (a.ok ? a.seconds : 1e30) < (b.ok ? b.seconds : 1e30);
    });
    return runs[runs.size() / 2];
}

double Percent(double part, double whole)
{
    return whole > 0 ? 100.0 * part / whole : 0.0;
}

double Rate(double megabytes, double seconds)
{
    return seconds > 0 ? megabytes / seconds : 0.0;
}

void PrintAesSpeed()
{
    const int kAesRuns = 5;
    double tables = MeasureAesDecryption(CAesCipher::Rounds::kTables, kAesRuns);
    printf("AES-128 decryption of 64 KiB chunks (median of %d): tables %.0f MB/s", kAesRuns, tables);
    if (AesInstructionsAvailable())
        printf(", AES instructions %.0f MB/s\n", MeasureAesDecryption(CAesCipher::Rounds::kFastest, kAesRuns));
    else
        printf(", no AES instructions on this processor\n");
}

int ReportChild(bool ok, double seconds)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    printf("RESULT %d %.3f %.3f %.1f %.1f\n", ok ? 1 : 0, seconds, BenchProcessSeconds(),
           counters.PeakWorkingSetSize / kBenchMegabyte,
           counters.PeakPagefileUsage / kBenchMegabyte);
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && wcscmp(argv[1], L"--extract") == 0) {
        double start = BenchNow();
        bool ok = RunExtract(argv[2], argv[3]);
        return ReportChild(ok, BenchNow() - start);
    }
    if (argc == 3 && wcscmp(argv[1], L"--inflate") == 0) {
        double start = BenchNow();
        bool ok = RunInflate(argv[2]);
        return ReportChild(ok, BenchNow() - start);
    }
    if (argc == 4 && wcscmp(argv[1], L"--write") == 0) {
        double start = BenchNow();
        bool ok = RunWrite(_wcstoui64(argv[2], nullptr, 10), argv[3]);
        return ReportChild(ok, BenchNow() - start);
    }

    if (argc == 2 && wcscmp(argv[1], L"--aes") == 0) {
        PrintAesSpeed();
        return 0;
    }
    bool quick = false;
    int repeats = 3;
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--quick") == 0)
            quick = true;
        else if (wcscmp(argv[i], L"--repeat") == 0 && i + 1 < argc)
            repeats = std::max(1, _wtoi(argv[++i]));
    }
    std::vector<ULONGLONG> sizes = quick ? std::vector<ULONGLONG>{4, 16} : std::vector<ULONGLONG>{10, 100, 400};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring scratch = std::wstring(temp) + L"velmora-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(scratch.c_str(), nullptr);

    printf("medians of %d runs\n", repeats);
    printf("%7s %7s %5s | %7s %6s %6s | %7s %6s %6s | %5s %5s | %6s %7s | %7s %7s | %5s\n", "payload", "archive",
           "files", "extract", "cpu", "MB/s", "inflate", "cpu", "MB/s", "ratio", "cpu", "raw wr", "inf+wr",
           "peak WS", "pk priv", "build");
    printf("%7s %7s %5s | %7s %6s %6s | %7s %6s %6s | %5s %5s | %6s %7s | %7s %7s | %5s\n", "MB", "MB", "", "s",
           "s", "", "s", "s", "", "%", "%", "s", "s", "MB", "MB", "s");
    for (ULONGLONG megabytes : sizes) {
        ULONGLONG total = megabytes * 1024 * 1024;
        std::vector<RecipeMember> recipe = MakeRecipe(total);
        size_t files = 0;
        for (const RecipeMember& member : recipe)
            files += member.size >= 0 ? 1 : 0;
        std::wstring archive = scratch + L"\\payload.bin", plain = scratch + L"\\payload.deflate";
        double start = BenchNow();
        ULONGLONG content = BuildArchive(recipe, archive);
        double built = BenchNow() - start;
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        GetFileAttributesExW(archive.c_str(), GetFileExInfoStandard, &info);
        bool plainWritten = WritePlainStream(archive.c_str(), plain.c_str());

        std::wstring extracted = scratch + L"\\extracted", written = scratch + L"\\written";
        std::vector<Measured> extracts, inflates, writes;
        for (int run = 0; run < repeats; ++run) {
            extracts.push_back(RunChild(L"--extract \"" + archive + L"\" \"" + extracted + L"\""));
            RemoveTree(extracted);
            inflates.push_back(RunChild(L"--inflate \"" + plain + L"\""));
            writes.push_back(RunChild(L"--write " + std::to_wstring(total) + L" \"" + written + L"\""));
            RemoveTree(written);
        }
        DeleteFileW(archive.c_str());
        DeleteFileW(plain.c_str());
        Measured extract = Median(extracts), inflate = Median(inflates), write = Median(writes);

        double megabytesOut = content / kBenchMegabyte;
        printf("%7.1f %7.1f %5u | %7.2f %6.2f %6.1f | %7.2f %6.2f %6.1f | %5.0f %5.0f | %6.2f %7.2f | %7.1f %7.1f | "
               "%5.1f%s\n",
               megabytesOut, info.nFileSizeLow / kBenchMegabyte, static_cast<unsigned>(files), extract.seconds,
               extract.processorSeconds, Rate(megabytesOut, extract.seconds), inflate.seconds,
               inflate.processorSeconds, Rate(megabytesOut, inflate.seconds),
               Percent(inflate.seconds, extract.seconds), Percent(inflate.processorSeconds, extract.processorSeconds),
               write.seconds, inflate.seconds + write.seconds, extract.peakWorkingSet, extract.peakPrivate, built,
               !extract.ok ? "  (extract FAILED)" : !inflate.ok || !plainWritten ? "  (inflate FAILED)"
               : !write.ok ? "  (write FAILED)" : "");
        fflush(stdout);
    }
    RemoveDirectoryW(scratch.c_str());

    PrintAesSpeed();
    return 0;
}
