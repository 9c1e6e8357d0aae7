#pragma once
#include <string>
#include <vector>

// The paths whose installed copy an upgrade keeps (replace flag 0): one path per line,
// relative to the packed folder, '/' or '\' separated, '#' starts a comment. A listed
// folder covers everything beneath it. Names compare without regard to case.
class CKeepList
{
public:
    bool Load(const wchar_t* path);
    void Add(const std::wstring& path);
    bool Keeps(const wchar_t* name) const;
    size_t Count() const { return paths_.size(); }

private:
    std::vector<std::wstring> paths_;
};
