#ifndef DEFAULT_MODULE_H
#define DEFAULT_MODULE_H

class Module;
class PassFeed;

// Creates the one module driver of the program (a ModuleMdx11), publishing
// its display passes to `feed`.  The engine and the window get it as their
// factory, so neither depends on a concrete driver.
Module* createDefaultModule(PassFeed* feed);

#endif // DEFAULT_MODULE_H
