/*
 * vrk_sim_mark.h - the one symbol our simulated device library exports
 * beyond the vendor's interface.
 *
 * The program never calls it: it only looks the name up in the loaded
 * library (dlsym) to tell the simulator from the vendor's library, so that
 * the operator can see which one measures.  A program linked against the
 * vendor's library therefore still loads.
 */
#ifndef VRK_SIM_MARK_H
#define VRK_SIM_MARK_H

#include "vrk_api.h"

/* The symbol's name, for dlsym. */
#define VRK_SIM_MARK_SYMBOL "VRKSIM_Identify"

#ifdef __cplusplus
extern "C" {
#endif

/* "vernier VRK11 simulator": a NUL-terminated text, valid for the process lifetime. */
VRK_API const char* VRKSIM_Identify(void);

#ifdef __cplusplus
}
#endif

#endif /* VRK_SIM_MARK_H */
