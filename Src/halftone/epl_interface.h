/* The linearisation library ("epl.dll") as the plug-in sees it.
 *
 * The library is loaded at run time; its one export, GetEPLInterface, hands
 * back a table of plain functions. The plug-in calls five of them: BuildLut
 * (entry 9) builds the sixteen input curves of a job, entries 15, 27 and 16
 * open a linearisation file, copy its data (among it the RGB grid) into an
 * EplFileData record and release the file, and entry 20 delivers screening
 * matrices. The records below are shared by the plug-in and the library, so
 * their layout is fixed to the byte (64-bit, little-endian).
 *
 * Plain C, so that a library written in C can include it as well. */
#ifndef KELMORA_HALFTONE_EPL_INTERFACE_H
#define KELMORA_HALFTONE_EPL_INTERFACE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Name of the exported entry. */
#define EPL_INTERFACE_ENTRY "GetEPLInterface"

/* ---- BuildLut (entry 9) -------------------------------------------------- */

#define EPL_CURVE_COUNT 16
#define EPL_CURVE_SIZE 256

/* A vector of curve pointers, laid out as first / end / end of storage. Each
 * pointer addresses EPL_CURVE_SIZE zeroed u16 values that the library fills.
 * Curve order: input maps 0-3, 14-17, 18-21, 22-25 of the halftoner. */
typedef struct EplCurveList {
    uint16_t** first;
    uint16_t** last;
    uint16_t** endOfStorage;
} EplCurveList;

/* The build record. Whatever is not listed is 0. */
typedef struct EplBuildRecord {
    int32_t inkLimitPerChannel[4];  /*   0: channels 0-3, 1/100 % */
    int32_t inkLimitChannel4And5[2]; /*  16: channels 4 and 5 when the input colour mode is below 7 or above 19 */
    int32_t inkLimitAll;            /*  24: ink limit in % */
    int32_t reserved28;             /*  28 */
    double gamma;                   /*  32 */
    const char* visualCorrectionPath; /* 40: null when the job has none */
    EplCurveList curves;            /*  48: EPL_CURVE_COUNT curves to fill */
    int64_t reserved72;             /*  72: always 0 */
    int64_t reserved80[2];          /*  80 */
    const char* clcTempPath;        /*  96: temporary file for the library; null when clcValue is 0 */
    int32_t clcValue;               /* 104 */
    int32_t reserved108[3];         /* 108 */
    int32_t inkLimitExtra[15];      /* 120: channels 4..18 for input colour modes 7 to 19 */
    int32_t reserved180;            /* 180: always 0 */
} EplBuildRecord;

/* Returns 1 or more on success (its value tells the linearisation kind), 0 or
 * less on failure (the library's error code). */
typedef int32_t (*EplBuildLutFn)(const char* linearisationPath, EplBuildRecord* record);

/* ---- Linearisation file data and RGB grid (entries 15, 27, 16) ----------- */

/* Opaque handle of an opened linearisation file. */
typedef void* EplFileHandle;

/* The file data record: a block of the library's own layout that the plug-in
 * prepares (tag, counts) and the library fills. The plug-in reads only the
 * RGB grid at EPL_RGB_GRID_OFFSET:
 *   u16 N (nodes per axis),
 *   u16 strides of the red, green and blue axes (in u16 values),
 *   u16 offsets of the eight cube corners 000, 100, 010, 001, 110, 101, 011,
 *       111 (red first; in u16 values, from a node),
 *   N x N x N nodes of three u16 (red, green, blue), red varying slowest.
 * Strides and offsets count u16 values from the first node. */
#define EPL_FILE_DATA_SIZE 419840
#define EPL_FILE_DATA_TAG 450000
#define EPL_FILE_DATA_TAG_OFFSET 0
#define EPL_FILE_DATA_FILE_COUNT_OFFSET 4
#define EPL_FILE_DATA_GRID_COUNT_OFFSET 8
#define EPL_RGB_GRID_OFFSET 123276
#define EPL_RGB_GRID_HEADER_VALUES 12
/* u16 values available from the grid's start to the end of the record. */
#define EPL_RGB_GRID_CAPACITY ((EPL_FILE_DATA_SIZE - EPL_RGB_GRID_OFFSET) / 2)

typedef struct EplFileData {
    uint8_t bytes[EPL_FILE_DATA_SIZE];
} EplFileData;

/* Entry 15: opens a linearisation file. The five values before the handle are
 * the library's own and unused by the plug-in. Returns 0 and a handle on
 * success, a negative code and a null handle on failure. */
typedef int32_t (*EplOpenFileFn)(const char* linearisationPath, int32_t* value1, int32_t* value2,
                                 int32_t* value3, int32_t* value4, int32_t* value5, EplFileHandle* handle);
/* Entry 27: fills the record from an opened file. 0 on success, negative on failure. */
typedef int32_t (*EplFillFileDataFn)(EplFileData* data, EplFileHandle handle);
/* Entry 16: releases an opened file. */
typedef void (*EplReleaseFileFn)(const char* linearisationPath, EplFileHandle handle);

/* ---- Screening data (entry 20) ------------------------------------------- */

#define EPL_SCREEN_MAX_CHANNELS 8
#define EPL_SCREEN_KIND_TILED 16

/* One channel's screening matrices: matrix A is size1 x size1 thresholds,
 * matrix B size2 x size2 (row by row, one byte each). Sizes may come signed;
 * the plug-in takes their absolute values. With kind EPL_SCREEN_KIND_TILED
 * the tile sizes are tileSize1 and tileSize2, otherwise size1 and size2. */
typedef struct EplScreenChannel {
    int32_t size1;
    int32_t size2;
    int32_t kind;
    int32_t tileSize1;
    int32_t tileSize2;
    int32_t reserved;
    uint8_t* matrixA;
    uint8_t* matrixB;
} EplScreenChannel;

typedef struct EplScreeningData {
    int32_t channelCount;
    int32_t reserved;
    EplScreenChannel channel[EPL_SCREEN_MAX_CHANNELS];
} EplScreeningData;

/* Entry 20, called twice: with every matrix pointer null it reports the
 * channel count and each channel's sizes; with the matrices allocated by the
 * caller (abs(size1)^2 and abs(size2)^2 bytes) it fills them. 0 or more on
 * success, negative on failure. */
typedef int32_t (*EplScreeningDataFn)(const char* screeningPath, EplScreeningData* data);

/* ---- The table --------------------------------------------------------- */

/* Entries are counted from 0; those the plug-in does not call are opaque. */
typedef struct EPLInterface {
    void* entries0to8[9];
    EplBuildLutFn BuildLut;             /* 9 */
    void* entries10to14[5];
    EplOpenFileFn OpenFile;             /* 15 */
    EplReleaseFileFn ReleaseFile;       /* 16 */
    void* entries17to19[3];
    EplScreeningDataFn GetScreeningData; /* 20 */
    void* entries21to26[6];
    EplFillFileDataFn FillFileData;     /* 27 */
} EPLInterface;

typedef EPLInterface* (*GetEPLInterfaceFn)(void);

/* Optional second export: why the last failing call of the calling thread
 * failed, as text ("" when none has). A library without it gives no reason. */
#define EPL_ERROR_TEXT_ENTRY "GetEPLErrorText"
typedef const char* (*GetEPLErrorTextFn)(void);

#ifdef __cplusplus
}  /* extern "C" */

static_assert(sizeof(void*) == 8, "the library records are laid out for 64-bit builds");
static_assert(offsetof(EplBuildRecord, inkLimitChannel4And5) == 16, "build record layout");
static_assert(offsetof(EplBuildRecord, inkLimitAll) == 24, "build record layout");
static_assert(offsetof(EplBuildRecord, gamma) == 32, "build record layout");
static_assert(offsetof(EplBuildRecord, visualCorrectionPath) == 40, "build record layout");
static_assert(offsetof(EplBuildRecord, curves) == 48, "build record layout");
static_assert(offsetof(EplBuildRecord, reserved72) == 72, "build record layout");
static_assert(offsetof(EplBuildRecord, clcTempPath) == 96, "build record layout");
static_assert(offsetof(EplBuildRecord, clcValue) == 104, "build record layout");
static_assert(offsetof(EplBuildRecord, inkLimitExtra) == 120, "build record layout");
static_assert(offsetof(EplBuildRecord, reserved180) == 180, "build record layout");
static_assert(offsetof(EPLInterface, BuildLut) == 9 * sizeof(void*), "entry 9");
static_assert(offsetof(EPLInterface, OpenFile) == 15 * sizeof(void*), "entry 15");
static_assert(offsetof(EPLInterface, ReleaseFile) == 16 * sizeof(void*), "entry 16");
static_assert(offsetof(EPLInterface, GetScreeningData) == 20 * sizeof(void*), "entry 20");
static_assert(offsetof(EPLInterface, FillFileData) == 27 * sizeof(void*), "entry 27");
#endif

#endif /* KELMORA_HALFTONE_EPL_INTERFACE_H */
