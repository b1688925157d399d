#pragma once
// Conversion between the single-byte (ANSI) code page and UTF-16. On Linux the ANSI code page
// is UTF-8; a byte that is not part of valid UTF-8 stands for itself (Latin-1).
#include "platform/win32/WinError.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// wideCount -1: up to and including the terminating zero. multiSize 0: only the size needed.
// 0 on failure (ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER).
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideCount, LPSTR multi,
                        int multiSize, LPCSTR defaultChar, BOOL* usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int multiCount, WCHAR* wide,
                        int wideSize);
