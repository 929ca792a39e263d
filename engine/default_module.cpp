#include "engine.h"
#include "module_mdx11.h"

Module* createDefaultModule() {
    return new ModuleMdx11;
}
