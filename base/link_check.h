#pragma once

// True when `relative` (a path below `root`) reaches through a junction or symbolic link:
// one of its folders, or the entry itself, is a reparse point. Work inside an installation
// stops there, as what lies behind lies outside the folder. A path that cannot be formed
// counts as one that does.
bool CrossesLink(const wchar_t* root, const wchar_t* relative);
