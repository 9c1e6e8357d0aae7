#pragma once

// True when `path`, relative and separated by "\" alone, is made only of names that
// Windows opens as written, so that joined to a folder it names exactly one entry below
// it. A name that Windows reads as another is refused:
// - empty (so a leading, doubled or trailing "\", which roots the path or names the folder);
// - ending in a dot or a blank, which Windows drops ("." and ".." among them);
// - a device, with or without an extension, in any case: CON, PRN, AUX, NUL, COM1 to COM9,
//   LPT1 to LPT9, COM and LPT with a superscript 1, 2 or 3, CONIN$, CONOUT$;
// - an 8.3 alias: "~" and a digit before the first dot ("VELMOR~1.EXE" may open
//   "Velmora Server.exe");
// - holding < > : " | ? * or a code below 32 (":" would name a drive or a stream), or "/".
bool IsRelativePathKeptAsWritten(const wchar_t* path);
