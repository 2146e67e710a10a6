#ifndef VANTORUSBDRV_H
#define VANTORUSBDRV_H
/* The exported functions of libVantorUsbDrv.so, the USB access library of the controller.
 * Every function keeps its C name and C linkage; nothing else of the library is visible.
 * Results: BOOL-like functions return 1 (true) or 0 (false). */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VANTORUSB_API __attribute__((visibility("default")))
#else
#define VANTORUSB_API
#endif

/* One entry of the device type table (66 bytes): a type id and a NUL-terminated name that must
 * end inside its 64-byte field. */
#pragma pack(push, 1)
typedef struct sVANTORUSBTYPEPARAM {
    uint16_t m_typeId;
    char m_name[64];
} sVANTORUSBTYPEPARAM;
#pragma pack(pop)

/* A one-byte parameter record passed by value. */
typedef struct sUSBPARAM {
    uint8_t m_value;
} sUSBPARAM;

/* The heap a reply buffer of VantorUsbSizeIoPtr comes from. */
typedef void* VANTORUSBHEAP;

/* Clears the type table and copies min(count, 128) entries, stopping at the first name that does
 * not end inside its field; returns the number stored (0 for a null table or count < 1). */
VANTORUSB_API int InitVantorUsbTypeParam(const sVANTORUSBTYPEPARAM* table, int count);
/* Sets the access type (0 named device, 1 pipe device, 2 automatic); returns it, or -1 for others. */
VANTORUSB_API int SetUsbType(int type);
/* Stores the parameter byte and the device name (at most 64 characters); returns IsInitUsb. */
VANTORUSB_API int InitUsb(sUSBPARAM param, const char* name);
/* True when the byte and the name equal the stored ones. */
VANTORUSB_API int IsInitUsb(sUSBPARAM param, const char* name);
/* Stores the product ID (access types 1 and 2; otherwise clears it); returns IsPidInit. */
VANTORUSB_API int InitPid(sUSBPARAM param, uint32_t productId);
/* True when the product ID is non-zero and is the type id of a table entry. */
VANTORUSB_API int IsPidInit(sUSBPARAM param, uint32_t productId);
/* kind 0: the device can be opened; 1: it can be opened and tells the driver version;
 * 2: a named-device handle is open; other kinds: false. */
VANTORUSB_API int CheckUsbDllStatus(int kind);
/* Sends `packet` and receives the reply into `reply` (its size in *replyLength, which on success
 * receives the bytes received). Returns the connection value, 0 on failure; a failed named-device
 * exchange leaves "SENDRECV ERROR(%d)" or "STATUS ERROR(%d)" in `reply`. */
VANTORUSB_API uint32_t VantorUsbPtrIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t* reply,
                                         uint32_t* replyLength);
/* VantorUsbPtrIoPtr as true/false. */
VANTORUSB_API int UsbPtrIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t* reply,
                              uint32_t* replyLength);
/* As VantorUsbPtrIoPtr into a reply buffer of *replyLength bytes that the library allocates;
 * *reply and *heap receive it whenever it was allocated (also on failure, holding the diagnostic
 * text); the caller frees it with VantorUsbHeapFree. */
VANTORUSB_API uint32_t VantorUsbSizeIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t** reply,
                                          VANTORUSBHEAP* heap, uint32_t* replyLength);
/* VantorUsbSizeIoPtr as true/false. */
VANTORUSB_API int UsbSizeIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t** reply,
                               VANTORUSBHEAP* heap, uint32_t* replyLength);
/* Frees a reply buffer of VantorUsbSizeIoPtr; false when `heap` is not the library's heap. */
VANTORUSB_API int VantorUsbHeapFree(VANTORUSBHEAP heap, uint8_t* buffer);
/* Not supported: 0. */
VANTORUSB_API int UsbIoMsg(void);
VANTORUSB_API int UsbSizeIoMsg(void);
/* Disconnects; 1. */
VANTORUSB_API int CloseUsb(void);
/* Sets the read retry count of pipe devices (0 = unlimited); false unless a pipe device is in use. */
VANTORUSB_API int SetRetryCount(uint32_t count);
/* Reserves the controller for this process until the matching ReleaseUsbDevice (calls nest): the
 * driver host then refuses other processes' exchanges and reservations, which fail with EBUSY, so
 * no other program's command lands in the middle of a transfer. The reservation also ends when the
 * process ends. Without a driver host (pipe-device access) nothing is reserved. 1 on success; 0
 * with errno set (EBUSY: another program holds it; ENODEV, ENOENT, EACCES as CheckUsbDllStatus). */
VANTORUSB_API int ReserveUsbDevice(void);
/* Gives back one ReserveUsbDevice; 0 when nothing was reserved. */
VANTORUSB_API int ReleaseUsbDevice(void);
/* Connects and disconnects; returns the connection value (0 = failed). */
VANTORUSB_API uint32_t TestUsbConnect(void);
/* Writes "1.00.00" and "Vantor USB DYNAMIC LINK LIBRARY" (buffers of at least 65 bytes); 1. */
VANTORUSB_API int GetUsbDllVer(char* version, char* text);
/* Writes the driver version as "%#010lx" and "VERSION (SUCCESS)", or an error text into `text`
 * (buffers of at least 65 bytes); true on success. */
VANTORUSB_API int GetUsbDrvVer(char* version, char* text);
/* The longest device name: 64. */
VANTORUSB_API int GetMaxTextLength(void);

#ifdef __cplusplus
}
#endif
#endif
