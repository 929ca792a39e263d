/*
 * vrk_api.h - C interface of the VRK device-access library.
 *
 * The program reaches the module only through these calls and links the
 * shared library "vrk_api" by name, so the vendor's library can replace the
 * simulator that this project builds under the same name.
 *
 * Statuses: every call but VRK11_GetErrorString returns a signed 32-bit
 * status, 0 on success.  VRK_Search and VRK11_Recv return a negative status
 * on error and otherwise a count; all other calls return non-zero on error.
 * VRK11_GetErrorString(code, 0) gives the NUL-terminated text of a status in
 * Windows-1251.
 *
 * Thread safety: VRK11_Recv may block in one thread while VRK_IsOpened,
 * VRK11_GetAdcFreq, VRK11_GetLChannelCount, VRK11_StreamsStop and VRK_Close
 * are called from others.
 */
#ifndef VRK_API_H
#define VRK_API_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VRK_API __declspec(dllimport)
#elif defined(VRK_API_BUILD)
#define VRK_API __attribute__((visibility("default")))
#else
#define VRK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One opaque, pointer-sized word per open device; 0 when none. */
typedef uintptr_t VRK_Handle;

/* Device record: 172 bytes, filled by VRK_Search, handed unchanged to VRK_Open. */
typedef struct VRK_DeviceRecord {
    char name[96];    /* device name, NUL-terminated */
    char serial[68];  /* serial number text, NUL-terminated */
    uint32_t address; /* IPv4 address, host byte order (first dotted component most significant) */
    uint8_t reserved[4];
} VRK_DeviceRecord;

/* Information record: 188 bytes, filled by VRK_GetDevInfo. */
typedef struct VRK_DeviceInfo {
    uint8_t reserved[32];
    char serial[84];   /* serial number text, NUL-terminated */
    char firmware[72]; /* firmware version text, NUL-terminated */
} VRK_DeviceInfo;

#ifdef __cplusplus
static_assert(sizeof(VRK_DeviceRecord) == 172, "device record is 172 bytes");
static_assert(offsetof(VRK_DeviceRecord, name) == 0, "name at 0");
static_assert(offsetof(VRK_DeviceRecord, serial) == 96, "serial at 96");
static_assert(offsetof(VRK_DeviceRecord, address) == 164, "address at 164");
static_assert(sizeof(VRK_DeviceInfo) == 188, "information record is 188 bytes");
static_assert(offsetof(VRK_DeviceInfo, serial) == 32, "serial at 32");
static_assert(offsetof(VRK_DeviceInfo, firmware) == 116, "firmware at 116");
static_assert(sizeof(VRK_Handle) == sizeof(void*), "handle is one pointer-sized word");
#endif

/* Lists the devices on the network.  records == NULL: returns 0 (or a
 * negative error) and writes the device count to *count.  With records:
 * returns the number of records written, at most capacity.  The program
 * passes timeoutMs 1000, deviceClass 16777216, flags 0. */
VRK_API int32_t VRK_Search(VRK_DeviceRecord* records, int32_t capacity, int32_t* count, int32_t timeoutMs,
                           uint32_t deviceClass, uint32_t flags);

/* Opens the device of a record and sets *handle.  The program passes
 * deviceClass 16777216, timeoutMs 5000, 0, 0. */
VRK_API int32_t VRK_Open(VRK_Handle* handle, const VRK_DeviceRecord* device, uint32_t deviceClass,
                         int32_t timeoutMs, uint32_t flags, uint32_t reserved);
VRK_API int32_t VRK_GetDevInfo(VRK_Handle handle, VRK_DeviceInfo* info);
/* 0 means open. */
VRK_API int32_t VRK_IsOpened(VRK_Handle handle);
/* Closes the device and empties *handle. */
VRK_API int32_t VRK_Close(VRK_Handle* handle, uint32_t flags);

/* Text of a status, Windows-1251, NUL-terminated, valid for the process lifetime. */
VRK_API const char* VRK11_GetErrorString(int32_t code, int32_t language);

/* Logical channel table: entry index -> physical channel from 0, mode byte
 * (1 differential, 0 common ground), range byte (0 10 V, 1 2.5 V, 2 0.6 V,
 * 3 0.15 V).  Taken as given; VRK11_Configure validates. */
VRK_API int32_t VRK11_SetLChannel(VRK_Handle handle, int32_t index, int32_t channel, uint8_t mode,
                                  uint8_t range);
VRK_API int32_t VRK11_SetLChannelCount(VRK_Handle handle, int32_t count);
/* ADC conversion frequency in Hz; channelFreqHz may be NULL. */
VRK_API int32_t VRK11_SetAdcFreq(VRK_Handle handle, double* adcFreqHz, double* channelFreqHz);
VRK_API int32_t VRK11_Configure(VRK_Handle handle, uint32_t flags);
VRK_API int32_t VRK11_GetLChannelCount(VRK_Handle handle, int32_t* count);
/* *channel = physical channel from 0 of logical entry index; mode and range may be NULL. */
VRK_API int32_t VRK11_GetLChannel(VRK_Handle handle, int32_t index, uint32_t* channel, uint8_t* mode,
                                  uint8_t* range);
/* adcFreqHz: the ADC frequency; channelFreqHz: per-channel rate = ADC frequency / channel count.
 * Either pointer may be NULL. */
VRK_API int32_t VRK11_GetAdcFreq(VRK_Handle handle, double* adcFreqHz, double* channelFreqHz);

VRK_API int32_t VRK11_StreamsEnable(VRK_Handle handle, int32_t enable);
VRK_API int32_t VRK11_StreamsStart(VRK_Handle handle);
VRK_API int32_t VRK11_StreamsStop(VRK_Handle handle);

/* Receives up to count raw words in the scan order of the logical table;
 * blocks until count words are there or timeoutMs has passed.  Returns the
 * number of words received, or a negative error.  A raw word holds a 16-bit
 * two's-complement code in bits 0-15 and its logical index in bits 16-20. */
VRK_API int32_t VRK11_Recv(VRK_Handle handle, uint32_t* buffer, int32_t count, int32_t timeoutMs);

/* Converts *count raw words to values (flags 1: volts), interleaved by
 * logical channel; *count becomes the number of values.  Fails when the
 * words do not start at logical index 0 or break the scan order. */
VRK_API int32_t VRK11_ProcessAdcData(VRK_Handle handle, const uint32_t* raw, double* values, int32_t* count,
                                     uint32_t flags);

#ifdef __cplusplus
}
#endif

#endif /* VRK_API_H */
