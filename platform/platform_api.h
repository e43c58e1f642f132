// The one header through which the system code reaches the platform: the real Windows SDK
// headers on Windows, our own declarations of the same subset everywhere else. No other
// file of app/, gfx/, scene/ or player/ looks at which platform it is built for.
#pragma once

// windows.h comes first: the other Windows headers need its types, and the Win32 declarations
// come before the Direct3D and waveOut ones that use them.
// clang-format off
#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#include <d3d9.h>
#else
#include "win32_api.h"
#include "d3d9_api.h"
#include "waveout_api.h"
#endif
// clang-format on
