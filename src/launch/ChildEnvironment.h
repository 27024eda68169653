// The environment of the elevated children. An elevated administrator's
// environment is built from the user's own registry (HKCU\Environment), which
// the user's unelevated programs can write: TMP and TEMP could lead a wizard
// that unpacks helpers into a folder of theirs, and a PATH entry of theirs is
// searched for every DLL that no system folder has. So the children get this
// run's own folder as TMP and TEMP, the machine's PATH alone, and every other
// variable as the loader has it.
#pragma once

#include <string>

// The wide environment block `parent` (variables, each NUL-terminated, then a
// NUL) with TMP and TEMP set to `tempFolder` and PATH to `machinePath`, in
// whatever case the parent spelled them; sorted by name without regard to
// case, as the system keeps a block. The result ends with its two NULs.
std::wstring BuildChildEnvironment(const wchar_t* parent, const std::wstring& tempFolder,
                                   const std::wstring& machinePath);

// The machine's PATH, as a new session would get it with no user's part:
// from CreateEnvironmentBlock without a token, userenv.dll loaded from the
// system folder at run time (it is not one of the loader's imports). The
// system folder and the Windows folder when that cannot be had.
std::wstring MachinePath();

// The block for this process's children, with `tempFolder` (a folder path in
// the ANSI code page, a trailing backslash allowed) as TMP and TEMP.
std::wstring ChildEnvironmentFor(const char* tempFolder);
