#include "common/Module.h"

namespace quorvin {

namespace {
ModuleHandle moduleInstance = nullptr;
}

ModuleHandle ModuleInstance() { return moduleInstance; }

void SetModuleInstance(ModuleHandle module) { moduleInstance = module; }

}  // namespace quorvin
