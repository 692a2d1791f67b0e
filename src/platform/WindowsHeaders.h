// The one header that includes <windows.h>, with the settings every file that calls
// the system shares: the real platform in win32/, and the simulated machine's host
// calls on Windows, which need the system and none of the real platform's helpers.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#ifndef _WIN32_IE
#define _WIN32_IE 0x0600
#endif

#include <windows.h>
#include <aclapi.h>
#include <commctrl.h>
#include <lzexpand.h>
#include <ntsecapi.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
