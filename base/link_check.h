#pragma once

// True when `relative` (a path below `root`) reaches through a junction or symbolic link:
// one of its folders, or the entry itself, is a reparse point. Work inside an installation
// stops there, as what lies behind lies outside the folder. A path that cannot be formed
// counts as one that does.
bool CrossesLink(const wchar_t* root, const wchar_t* relative);

// CrossesLink for `relative` (may be empty) below the backup folder `backup`; when the
// backup lies in the installation folder `folder`, its own folders ("backups" and the
// run's) are looked at too, from `folder` down: files moved into or out of it as SYSTEM
// must not be turned elsewhere.
bool BackupCrossesLink(const wchar_t* folder, const wchar_t* backup, const wchar_t* relative);
