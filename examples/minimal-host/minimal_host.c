/* A minimal host for libhalvex.so, in plain C.
 *
 * It loads the plug-in with dlopen, builds what a lighting-control host keeps for one scene
 * object (a scene list with one scene, an empty device table and a KNX record that assigns the
 * group address 1/0/1 to that scene), then
 *   - deletes the scene with __DeleteScene and checks that the record was edited in place, and
 *   - offers a DMX frame to __SendDMXData2UDP with both preview outputs off, which sends nothing
 *     and leaves frame and record alone.
 * Along the way it checks the ownership rules of include/halvex/plugin.h: the plug-in never
 * moves or frees a record it only edits, never writes to the scene list or the device table,
 * and the host frees its own record at the end with the same free() the plug-in would use.
 *
 * Usage: minimal_host PATH/TO/libhalvex.so        (exit status 0 when every check holds) */
#define _POSIX_C_SOURCE 200809L
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "halvex/plugin.h"

typedef void(HALVEX_STDCALL* DeleteSceneFn)(uint8_t, const uint8_t*, uint8_t**);
typedef void(HALVEX_STDCALL* SendDmxFn)(uint8_t*, const uint8_t*, uint16_t);
typedef void(HALVEX_STDCALL* OpenDialogFn)(const uint8_t*, uint8_t*, uint8_t**, uint8_t,
                                          const uint32_t*, uint16_t);

enum {
    kDeviceTableBytes = 512 * 24,
    kWlanBytes = 154,
    kHeaderBytes = 62,
    kSceneBlockBytes = 20, /* u16 length, u8 number, u16 end of name, 15-byte name */
    kSceneNameBytes = 15,
    kDmxOutputs = 2 * 512 * 3, /* two dimmer pages, three outputs per channel */
    kFrameBytes = 530
};

static int failures = 0;
static int passes = 0;

static void Check(int holds, const char* what) {
    printf("%s: %s\n", holds ? "ok" : "FAILED", what);
    if (holds)
        ++passes;
    else
        ++failures;
}

static void PutU16(uint8_t* at, unsigned value) {
    at[0] = (uint8_t)(value & 0xFF);
    at[1] = (uint8_t)(value >> 8);
}

static unsigned GetU16(const uint8_t* at) {
    return (unsigned)at[0] | ((unsigned)at[1] << 8);
}

/* The host's scene list: 6 bytes of the host's own, the scene count, one 20-byte block per
 * scene, then a count byte for the host's 7-byte trailer records (none here). The plug-in
 * reads the scene name as the 15 bytes in front of the offset stored at block byte 3. */
static size_t BuildSceneList(uint8_t* out, const char* const* names, unsigned count) {
    size_t at = 7;
    unsigned i;
    memset(out, 0, 7);
    out[6] = (uint8_t)count;
    for (i = 0; i < count; ++i) {
        uint8_t* block = out + at;
        memset(block, 0, kSceneBlockBytes);
        PutU16(block, kSceneBlockBytes);
        block[2] = (uint8_t)i;
        PutU16(block + 3, (unsigned)(at + kSceneBlockBytes));
        strncpy((char*)block + 5, names[i], kSceneNameBytes);
        at += kSceneBlockBytes;
    }
    out[at++] = 0;
    return at;
}

/* A KNX record in the current layout for one scene and no devices: header, group-address
 * list, pair table, output table (2 scene outputs + 3072 dimmer outputs) and device block.
 * Scene 0 on "Scene Out 1" has group address 1/0/1. No name block follows. */
static uint8_t* BuildRecord(void) {
    const unsigned groupList = kHeaderBytes;
    const unsigned pairTable = groupList + 2 + 2;
    const unsigned outputTable = pairTable + 2 + 4;
    const unsigned outputs = 2 + kDmxOutputs;
    const unsigned deviceBlock = outputTable + 2 + 2 * outputs;
    const unsigned length = deviceBlock + 2 + kDeviceTableBytes + kWlanBytes;
    uint8_t* record = calloc(1, length);
    unsigned i;
    if (record == NULL)
        return NULL;
    PutU16(record + 0, length);
    PutU16(record + 2, groupList);
    PutU16(record + 4, pairTable);
    PutU16(record + 6, outputTable);
    PutU16(record + 8, deviceBlock);
    PutU16(record + 10, 0xFFFF);                /* KNX physical address not set */
    record[14] = 0x00;                          /* no name block */
    record[15] = 0x20;                          /* three-level addresses; preview outputs off */
    memcpy(record + 16, "\xC6\x12\x00\x02", 4); /* gateway 198.18.0.2 */
    memcpy(record + 20, "\xFF\xFF\xFF\x00", 4);
    memcpy(record + 24, "\xC6\x12\x00\x01", 4);
    memcpy(record + 28, "\xE0\x00\x17\x0C", 4);

    PutU16(record + groupList, 1);
    PutU16(record + groupList + 2, (1u << 11) | 1u); /* 1/0/1 */

    PutU16(record + pairTable, 1);
    PutU16(record + pairTable + 2, 1); /* first address of the list ... */
    PutU16(record + pairTable + 4, 0); /* ... on output 0: scene 0 of Scene Out 1 */

    PutU16(record + outputTable, outputs);
    PutU16(record + outputTable + 2, 0x1700); /* 1 bit, assigned */
    PutU16(record + outputTable + 4, 0x0300); /* scene 0 of Scene Out 2, 1 bit, free */
    for (i = 0; i < kDmxOutputs; ++i) {
        static const unsigned types[3] = {0, 3, 7}; /* 1 bit, 4 bits, 1 byte */
        PutU16(record + outputTable + 6 + 2 * i, 0x0300 | types[i % 3]);
    }
    return record;
}

int main(int argc, char** argv) {
    static const char* const scenes[1] = {"Opening"};
    uint8_t sceneList[64];
    uint8_t sceneListAfter[64];
    uint8_t sceneListCopy[64];
    uint8_t deviceTable[kDeviceTableBytes];
    uint8_t frame[kFrameBytes];
    uint8_t frameCopy[kFrameBytes];
    size_t sceneListSize;
    size_t afterSize;
    uint8_t* record;
    uint8_t* slot;
    uint8_t* recordCopy;
    uint8_t* empty = NULL;
    unsigned length;
    unsigned outputTable;
    unsigned pairTable;
    void* library;
    void* symbol;
    DeleteSceneFn deleteScene;
    SendDmxFn sendDmx;
    OpenDialogFn openDialog;

    if (argc != 2) {
        fprintf(stderr, "usage: %s PATH/TO/libhalvex.so\n", argv[0]);
        return 2;
    }
    library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) {
        fprintf(stderr, "minimal_host: %s\n", dlerror());
        return 1;
    }
    symbol = dlsym(library, "__DeleteScene");
    memcpy(&deleteScene, &symbol, sizeof deleteScene);
    Check(symbol != NULL, "__DeleteScene is exported");
    symbol = dlsym(library, "__SendDMXData2UDP");
    memcpy(&sendDmx, &symbol, sizeof sendDmx);
    Check(symbol != NULL, "__SendDMXData2UDP is exported");
    Check(dlsym(library, "__OpenKNXDialog") != NULL, "__OpenKNXDialog is exported");
    if (failures != 0)
        return 1;

    /* What the host would hand to __OpenKNXDialog for this object: its scene list and its
     * device table (no devices). */
    sceneListSize = BuildSceneList(sceneList, scenes, 1);
    memset(deviceTable, 0, sizeof deviceTable);
    printf("scene list of %u bytes, device table of %u bytes, no devices\n",
           (unsigned)sceneListSize, (unsigned)sizeof deviceTable);
    record = BuildRecord();
    if (record == NULL)
        return 1;
    length = GetU16(record);
    pairTable = GetU16(record + 4);
    outputTable = GetU16(record + 6);
    recordCopy = malloc(length);
    if (recordCopy == NULL)
        return 1;

    /* A frame for a record whose preview outputs are off: nothing is sent, nothing changes. */
    memset(frame, 0x11, sizeof frame);
    memcpy(frameCopy, frame, sizeof frame);
    memcpy(recordCopy, record, length);
    sendDmx(frame, record, (uint16_t)sizeof frame);
    Check(memcmp(frame, frameCopy, sizeof frame) == 0,
          "preview off: the frame is left as the host built it");
    Check(memcmp(record, recordCopy, length) == 0, "__SendDMXData2UDP only reads the record");

    /* The host removes its scene, then tells the plug-in, passing the scene list as it is now
     * (one scene fewer) and its variable that holds the record. */
    afterSize = BuildSceneList(sceneListAfter, scenes, 0);
    memcpy(sceneListCopy, sceneListAfter, afterSize);
    slot = record;
    deleteScene(0, sceneListAfter, &slot);
    Check(slot == record, "__DeleteScene keeps the record at its address");
    Check(memcmp(sceneListAfter, sceneListCopy, afterSize) == 0,
          "__DeleteScene does not write to the scene list");
    Check(GetU16(record) == length, "the main-part length stays");
    Check(GetU16(record + pairTable) == 0, "the scene's assignment is gone");
    Check(GetU16(record + outputTable) == kDmxOutputs, "both outputs of the scene are gone");
    Check(GetU16(record + outputTable + 2) == 0x0300, "the first dimmer output moved to the front");

    /* Null arguments are ignored. */
    memcpy(recordCopy, record, length);
    deleteScene(0, NULL, &slot);
    deleteScene(0, sceneListAfter, NULL);
    deleteScene(0, sceneListAfter, &empty);
    Check(memcmp(record, recordCopy, length) == 0 && empty == NULL,
          "null scene list, slot or record: nothing happens");

    /* Without a display the plug-in cannot show its dialog; it returns without touching the
     * host's variable rather than ending the host. */
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    symbol = dlsym(library, "__OpenKNXDialog");
    memcpy(&openDialog, &symbol, sizeof openDialog);
    slot = record;
    openDialog(sceneList, record, &slot, 0, (const uint32_t*)deviceTable, 0);
    Check(slot == record, "no display: __OpenKNXDialog returns and leaves the record alone");

    /* The record belongs to the host again: freed with the heap the plug-in shares. */
    free(record);
    free(recordCopy);
    /* Like most hosts, this one keeps the plug-in loaded until it exits. */
    printf("%d passed, %d failed\n", passes, failures);
    return failures == 0 ? 0 : 1;
}
