#include <windows.h>

#include "common/Module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        quorvin::SetModuleInstance(instance);
    }
    return TRUE;
}
