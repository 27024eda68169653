// Just enough of the Windows header for the loader's pure parsing and
// extraction code to compile natively under the sanitizers. Test scaffolding
// only: the few platform calls declared here are fakes in Shim.cpp that the
// harnesses steer (see Shim.h).
#pragma once

#include <cstddef>
#include <cstdint>

// Fixed widths as on Windows (LLP64), whatever the native long is.
using BOOL = int;
using BYTE = unsigned char;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned int;
using LPSTR = char*;
using LPCSTR = const char*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

using HANDLE = void*;
using HWND = struct HWND__*;
using HINSTANCE = struct HINSTANCE__*;
using HMODULE = HINSTANCE;
using LPOVERLAPPED = struct _OVERLAPPED*;
using HRSRC = struct HRSRC__*;
using HGLOBAL = void*;

#define WINAPI
#define FALSE 0
#define TRUE 1
#define MAX_PATH 260
#define MAKEINTRESOURCEA(id) (reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(id))))
#define RT_RCDATA MAKEINTRESOURCEA(10)

BOOL IsDBCSLeadByte(BYTE testChar);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL loaded);
