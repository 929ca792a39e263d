// Acquisition side of the 11-series driver: the Module operations and slots
// that forward to the acquisition and the display pass.

#include "mdx11_acquisition.h"
#include "module_mdx11.h"

// Any thread (the engine: GUI thread).  See Mdx11Acquisition::start.
bool ModuleMdx11::start(int reserved) {
    return reserved == 0 && acquisition->start();
}

// Any thread (the engine: GUI thread and threadEngine).  At most 3 s plus
// the library's own StreamsStop; see Mdx11Acquisition::stop.
bool ModuleMdx11::stop() {
    return acquisition->stop();
}

// Any thread; no side effect.
bool ModuleMdx11::isRunning() {
    return acquisition->isRunning();
}

// threadModule, reached through `restart` (queued).
void ModuleMdx11::restartManual() {
    acquisition->restart([this] { return isOpened(); });
}

// threadModule, run by displayTimer.
void ModuleMdx11::displayResults() {
    display->pass();
}
