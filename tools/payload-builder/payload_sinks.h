#pragma once
#include <windows.h>
#include <vector>

#include "tools/payload-builder/payload_writer.h"

// Collects the archive in memory (tests, benchmarks).
class CMemorySink : public CPayloadSink
{
public:
    bool Put(const BYTE* data, DWORD count) override
    {
        bytes.insert(bytes.end(), data, data + count);
        return true;
    }
    std::vector<BYTE> bytes;
};

// Writes the archive to a file opened by the caller.
class CFileSink : public CPayloadSink
{
public:
    explicit CFileSink(HANDLE file) : file_(file) {}
    bool Put(const BYTE* data, DWORD count) override
    {
        DWORD written = 0;
        return WriteFile(file_, data, count, &written, nullptr) && written == count;
    }

private:
    HANDLE file_;
};
