#ifndef MODULE_MDX11_TEST_H
#define MODULE_MDX11_TEST_H

#include <QMutexLocker>
#include <vector>

#include "module_mdx11.h"

// The driver's private state, for the tests only; called from the GUI thread.
class ModuleMdx11Test {
public:
    static std::vector<ChannelControlState> mirror(const ModuleMdx11& d) { return d.mirror.rows(); }
    static double testSignalFrequencyHz(const ModuleMdx11& d) { return d.mirror.testSignalFrequencyHz(); }
    static int modeCode(const ModuleMdx11& d) { return d.mirror.modeCode(); }
    static VRK_Handle handle(const ModuleMdx11& d) { return d.handle.load(); }
    // The samples queued for the first logical channel of the current run;
    // takes displayMutex and dataMutex.
    static std::vector<double> queued(ModuleMdx11& d) { return d.display->queued(0); }
};

#endif // MODULE_MDX11_TEST_H
