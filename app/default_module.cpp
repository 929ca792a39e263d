#include "default_module.h"

#include "module_mdx11.h"

Module* createDefaultModule(PassFeed* feed) {
    return new ModuleMdx11(feed);
}
