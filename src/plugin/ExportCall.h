#pragma once

// The editor calls its plug-ins with the Windows API convention.
#if defined(_WIN32) && !defined(_WIN64)
#define QUORVIN_API __stdcall
#else
#define QUORVIN_API
#endif
