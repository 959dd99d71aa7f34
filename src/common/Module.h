#pragma once

#include "platform/Platform.h"

namespace quorvin {

// The plug-in's own module, recorded by the library entry; every string
// resource is loaded through it.
ModuleHandle ModuleInstance();
void SetModuleInstance(ModuleHandle module);

}  // namespace quorvin
