// extract [--quick | --size MB ...] [--repeat N] [--makensis UNIXPATH] | extract --aes
// Measures payload extraction: builds archives of growing size from a synthetic server
// tree, and NSIS installers of the same tree when makensis is installed; then, round by
// round, each in a fresh process so that the peak counters belong to it alone, extracts
// the archive, runs both installers silently, inflates the decrypted stream without
// writing, and writes the same files raw; N rounds (3 unless told), reporting medians.
// Every unpacked tree is compared with the recipe. Then AES-128 decryption of 64 KiB
// chunks with the AES instructions and with the tables.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <algorithm>
#include <string>
#include <vector>

#include "bench/aes_speed.h"
#include "bench/bench_clock.h"
#include "bench/bench_tree.h"
#include "system/removal/installation_removal.h"
#include "bench/nsis_peer.h"
#include "bench/payload_recipe.h"
#include "engine/payload_extractor.h"
#include "formats/crypto/aes_cipher.h"
#include "formats/crypto/data_key.h"
#include "tools/payload-builder/payload_sinks.h"
#include "tools/payload-builder/payload_writer.h"

#include <zlib.h>

namespace {

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
    for (size_t i = 0; i < recipe.size(); ++i) {
        const RecipeMember& member = recipe[i];
        PayloadEntry entry = {};
        wcsncpy(entry.name, member.name.c_str(), 259);
        entry.size = member.size;
        entry.lastWriteTime = RecipeTime(i);
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
    BYTE* input = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kPayloadBufferSize));
    BYTE* window = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kPayloadBufferSize));
    PayloadJob job;
    job.input = input;
    job.window = window;
    job.folder = folder;
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
    double seconds = 0;           // wall clock from the parent: start of the process to its end
    double processorSeconds = 0;  // the child's user and kernel time, as it reports it
    double ownSeconds = 0;        // the measured work alone, as the child reports it
    double peakWorkingSet = 0;
    double peakPrivate = 0;
};

// Runs a program straight from here (no wrapper adds its latency) and times it; a
// child of this benchmark reports its own figures on its output (Wine's
// GetProcessTimes of another process does not give that process's time).
Measured RunProcess(const std::wstring& program, std::wstring commandLine, bool reports)
{
    Measured measured;
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
    double start = BenchNow();
    BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &child);
    CloseHandle(writeEnd);
    std::string output;
    DWORD exitCode = 1;
    if (started) {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(child.hProcess, INFINITE);
        measured.seconds = BenchNow() - start;
        GetExitCodeProcess(child.hProcess, &exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    CloseHandle(readEnd);
    if (!reports) {
        measured.ok = started && exitCode == 0;
        return measured;
    }
    int ok = 0;
    if (sscanf(output.c_str(), "RESULT %d %lf %lf %lf %lf", &ok, &measured.ownSeconds, &measured.processorSeconds,
               &measured.peakWorkingSet, &measured.peakPrivate) == 5)
        measured.ok = ok != 0;
    return measured;
}

Measured RunChild(const std::wstring& arguments)
{
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    return RunProcess(program, L"\"" + std::wstring(program) + L"\" " + arguments, true);
}

// The run of median time; a failed run counts as the slowest.
Measured Median(std::vector<Measured> runs)
{
    std::sort(runs.begin(), runs.end(), [](const Measured& a, const Measured& b) {
        return (a.ok ? a.seconds : 1e30) < (b.ok ? b.seconds : 1e30);
    });
    return runs[runs.size() / 2];
}

double Ratio(double part, double whole)
{
    return whole > 0 ? part / whole : 0.0;
}

double FileMegabytes(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA info = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info))
        return 0;
    return (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32 | info.nFileSizeLow) / kBenchMegabyte;
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
           counters.PeakWorkingSetSize / kBenchMegabyte, counters.PeakPagefileUsage / kBenchMegabyte);
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
    std::vector<ULONGLONG> chosen;
    std::string makensisPath = "/usr/bin/makensis";
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], L"--quick") == 0)
            quick = true;
        else if (wcscmp(argv[i], L"--repeat") == 0 && i + 1 < argc)
            repeats = std::max(1, _wtoi(argv[++i]));
        else if (wcscmp(argv[i], L"--size") == 0 && i + 1 < argc)
            chosen.push_back(std::max(1, _wtoi(argv[++i])));
        else if (wcscmp(argv[i], L"--makensis") == 0 && i + 1 < argc) {
            std::wstring path = argv[++i];
            makensisPath.assign(path.begin(), path.end());
        }
    }
    std::vector<ULONGLONG> sizes = !chosen.empty() ? chosen : quick ? std::vector<ULONGLONG>{4, 16}
                                                                    : std::vector<ULONGLONG>{10, 100, 400};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring scratch = std::wstring(temp) + L"velmora-bench-" + std::to_wstring(GetCurrentProcessId());
    // The installers depend on the recipe alone, so they are kept for the next run.
    std::wstring peerStore = std::wstring(temp) + L"velmora-bench-nsis";
    CreateDirectoryW(scratch.c_str(), nullptr);
    CreateDirectoryW(peerStore.c_str(), nullptr);
    std::wstring makensis = FindMakensis(makensisPath.c_str());
    if (makensis.empty())
        printf("no makensis at %s: the NSIS columns stay empty\n", makensisPath.c_str());

    printf("medians of %d interleaved rounds; times in seconds from process start to end\n", repeats);
    printf("%7s %5s | %7s %6s %6s | %7s %6s %6s | %6s %6s | %7s %6s | %6s %6s %6s %6s | %7s\n", "payload", "files",
           "archive", "zlib", "LZMA", "extract", "own", "cpu", "zlib", "LZMA", "inflate", "raw wr", "x/zlib",
           "x/LZMA", "x/raw", "own/rw", "pk priv");
    printf("%7s %5s | %7s %6s %6s | %7s %6s %6s | %6s %6s | %7s %6s | %6s %6s %6s %6s | %7s\n", "MB", "", "MB",
           "MB", "MB", "s", "s", "s", "s", "s", "s", "s", "", "", "", "", "MB");
    for (ULONGLONG megabytes : sizes) {
        ULONGLONG total = megabytes * 1024 * 1024;
        std::vector<RecipeMember> recipe = MakeRecipe(total);
        size_t files = 0;
        for (const RecipeMember& member : recipe)
            files += member.size >= 0 ? 1 : 0;
        std::wstring archive = scratch + L"\\payload.bin", plain = scratch + L"\\payload.deflate";
        ULONGLONG content = BuildArchive(recipe, archive);
        bool plainWritten = WritePlainStream(archive.c_str(), plain.c_str());

        std::wstring tag = std::to_wstring(megabytes);
        std::wstring zlibInstaller = peerStore + L"\\" + tag + L"-zlib.exe";
        std::wstring lzmaInstaller = peerStore + L"\\" + tag + L"-lzma.exe";
        bool peers = FileMegabytes(zlibInstaller) > 0 && FileMegabytes(lzmaInstaller) > 0;
        if (!peers && !makensis.empty()) {
            std::wstring tree = scratch + L"\\tree";
            peers = WriteRecipeTree(recipe, tree) && BuildNsisInstaller(makensis, tree, "zlib", zlibInstaller) &&
                    BuildNsisInstaller(makensis, tree, "lzma", lzmaInstaller);
            DeleteFolderTree(tree.c_str());
        }

        // Every run unpacks into a folder never used before; all are deleted after the
        // batch (deleting a tree and writing the next one in its place slows the next run).
        std::vector<Measured> extracts, zlibs, lzmas, inflates, writes;
        std::vector<std::wstring> extracted, byZlib, byLzma, written;
        for (int run = 0; run < repeats; ++run) {
            std::wstring suffix = tag + L"-" + std::to_wstring(run);
            extracted.push_back(scratch + L"\\x" + suffix);
            extracts.push_back(RunChild(L"--extract \"" + archive + L"\" \"" + extracted.back() + L"\""));
            if (peers) {
                byZlib.push_back(scratch + L"\\z" + suffix);
                zlibs.push_back(RunProcess(zlibInstaller, NsisCommandLine(zlibInstaller, byZlib.back()), false));
                byLzma.push_back(scratch + L"\\l" + suffix);
                lzmas.push_back(RunProcess(lzmaInstaller, NsisCommandLine(lzmaInstaller, byLzma.back()), false));
            }
            inflates.push_back(RunChild(L"--inflate \"" + plain + L"\""));
            written.push_back(scratch + L"\\w" + suffix);
            writes.push_back(RunChild(L"--write " + std::to_wstring(total) + L" \"" + written.back() + L"\""));
        }
        std::string checks;
        const struct { const char* who; const std::vector<std::wstring>* trees; bool folderTimes; } kinds[] = {
            {"extract", &extracted, true}, {"NSIS zlib", &byZlib, false}, {"NSIS LZMA", &byLzma, false}};
        for (const auto& kind : kinds) {
            for (const std::wstring& tree : *kind.trees) {
                std::string difference = CheckRecipeTree(recipe, tree, kind.folderTimes);
                if (!difference.empty()) {
                    checks += std::string("  ") + kind.who + ": " + difference;
                    break;
                }
            }
        }
        for (const auto* trees : {&extracted, &byZlib, &byLzma, &written})
            for (const std::wstring& tree : *trees)
                DeleteFolderTree(tree.c_str());

        Measured extract = Median(extracts), inflate = Median(inflates), write = Median(writes);
        Measured zlib = peers ? Median(zlibs) : Measured(), lzma = peers ? Median(lzmas) : Measured();
        printf("%7.1f %5u | %7.1f %6.1f %6.1f | %7.2f %6.2f %6.2f | %6.2f %6.2f | %7.2f %6.2f | %6.2f %6.2f %6.2f "
               "%6.2f | %7.1f%s%s\n",
               content / kBenchMegabyte, static_cast<unsigned>(files), FileMegabytes(archive),
               FileMegabytes(zlibInstaller), FileMegabytes(lzmaInstaller), extract.seconds, extract.ownSeconds,
               extract.processorSeconds, zlib.seconds, lzma.seconds, inflate.seconds, write.seconds,
               Ratio(extract.seconds, zlib.seconds), Ratio(extract.seconds, lzma.seconds),
               Ratio(extract.seconds, write.seconds), Ratio(extract.ownSeconds, write.ownSeconds),
               extract.peakPrivate,
               !extract.ok ? "  (extract FAILED)" : !inflate.ok || !plainWritten ? "  (inflate FAILED)"
               : !write.ok ? "  (write FAILED)" : peers && (!zlib.ok || !lzma.ok) ? "  (NSIS FAILED)" : "",
               checks.empty() ? "" : ("  CHECK" + checks).c_str());
        fflush(stdout);
        DeleteFileW(archive.c_str());
        DeleteFileW(plain.c_str());
    }
    RemoveDirectoryW(scratch.c_str());

    PrintAesSpeed();
    return 0;
}
