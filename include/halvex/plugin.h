/* Halvex configuration plug-in: the C interface a DMX lighting-control host loads.
 *
 * The host loads halvex.dll (LoadLibrary) or libhalvex.so (dlopen) and looks up these three
 * functions by name.
 * Records are byte blocks allocated with malloc(); the plug-in frees the record it
 * replaces, so host and plug-in must share one C runtime heap. */
#ifndef HALVEX_PLUGIN_H
#define HALVEX_PLUGIN_H

#include <stdint.h>

#if defined(__i386__) || defined(_M_IX86)
#define HALVEX_STDCALL __attribute__((stdcall))
#else
#define HALVEX_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the modal configuration dialog for one scene object.
 * sceneList:   the host's scene list (read during the whole call).
 * record:      the object's record, or NULL for a new object (the user picks a bus type).
 * recordSlot:  the host's variable holding the record pointer; on OK it receives the new
 *              record and `record` is freed; on Cancel it is left alone.
 * language:    0 English, 1 German, anything else English.
 * deviceTable: 512 entries of 24 bytes (name[20], kind, 3 spare), copied by the plug-in.
 * deviceCount: number of valid entries (at most 512). */
void HALVEX_STDCALL __OpenKNXDialog(const uint8_t* sceneList, uint8_t* record, uint8_t** recordSlot,
                                    uint8_t language, const uint32_t* deviceTable,
                                    uint16_t deviceCount);

/* Removes scene `sceneIndex` from the record held by *recordSlot, in place. `sceneList` is the
 * host's scene list after the deletion. */
void HALVEX_STDCALL __DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList,
                                  uint8_t** recordSlot);

/* Forwards one DMX frame to the gateway when the record has a preview output switched on.
 * Byte 6 of the frame is overwritten with the preview selection; frames shorter than 7 bytes
 * are dropped. */
void HALVEX_STDCALL __SendDMXData2UDP(uint8_t* frame, const uint8_t* record, uint16_t length);

#ifdef __cplusplus
}
#endif

#endif
