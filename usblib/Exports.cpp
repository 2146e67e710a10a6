// The exported functions of libVantorUsbDrv.so: thin C entry points onto CUsbLibrary.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "usblib/UsbLibrary.h"
#include "usblib/VantorUsbDrv.h"

namespace {
// The heap handle of reply buffers: the address of this object identifies the library's heap.
const int g_processHeap = 0;
VANTORUSBHEAP ProcessHeap() {
    return const_cast<int*>(&g_processHeap);
}

// The library object goes when the library is unloaded.
__attribute__((destructor)) void UnloadLibrary() {
    CUsbLibrary::Destroy();
}
}  // namespace

extern "C" {

int InitVantorUsbTypeParam(const sVANTORUSBTYPEPARAM* table, int count) {
    return CUsbLibrary::Instance().InitTypeTable(table, count);
}

int SetUsbType(int type) {
    return CUsbLibrary::Instance().SetAccessType(type);
}

int InitUsb(sUSBPARAM param, const char* name) {
    return CUsbLibrary::Instance().InitName(param, name);
}

int IsInitUsb(sUSBPARAM param, const char* name) {
    return CUsbLibrary::Instance().IsNameInit(param, name);
}

int InitPid(sUSBPARAM, uint32_t productId) {
    return CUsbLibrary::Instance().InitProductId(productId);
}

int IsPidInit(sUSBPARAM, uint32_t productId) {
    return CUsbLibrary::Instance().IsProductIdInit(productId);
}

// A failure leaves its reason in errno, as C libraries do (ENOENT: no driver host, EACCES: the host
// refused this user, ENODEV: no controller, EBUSY: reserved by another program, ETIMEDOUT: no
// answer), so that a caller can tell the operator why.
int CheckUsbDllStatus(int kind) {
    CUsbLibrary& library = CUsbLibrary::Instance();
    const int ok = library.CheckStatus(kind);
    if (!ok && library.LastError() != 0) errno = library.LastError();
    return ok;
}

uint32_t VantorUsbPtrIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t* reply,
                           uint32_t* replyLength) {
    CUsbLibrary& library = CUsbLibrary::Instance();
    const uint32_t connection = library.Exchange(packet, packetLength, reply, replyLength);
    if (connection == 0 && library.LastError() != 0) errno = library.LastError();
    return connection;
}

int UsbPtrIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t* reply, uint32_t* replyLength) {
    return VantorUsbPtrIoPtr(packet, packetLength, reply, replyLength) != 0;
}

uint32_t VantorUsbSizeIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t** reply,
                            VANTORUSBHEAP* heap, uint32_t* replyLength) {
    if (!reply || !heap || !replyLength) return 0;
    *reply = nullptr;
    *heap = nullptr;
    if (*replyLength == 0) return 0;
    auto* buffer = static_cast<uint8_t*>(std::calloc(*replyLength, 1));
    if (!buffer) return 0;
    *reply = buffer;
    *heap = ProcessHeap();
    return VantorUsbPtrIoPtr(packet, packetLength, buffer, replyLength);
}

int UsbSizeIoPtr(const uint8_t* packet, uint32_t packetLength, uint8_t** reply, VANTORUSBHEAP* heap,
                 uint32_t* replyLength) {
    return VantorUsbSizeIoPtr(packet, packetLength, reply, heap, replyLength) != 0;
}

int VantorUsbHeapFree(VANTORUSBHEAP heap, uint8_t* buffer) {
    if (heap != ProcessHeap()) return 0;
    std::free(buffer);
    return 1;
}

int UsbIoMsg(void) {
    return 0;
}

int UsbSizeIoMsg(void) {
    return 0;
}

int CloseUsb(void) {
    CUsbLibrary::Instance().Disconnect();
    return 1;
}

int SetRetryCount(uint32_t count) {
    return CUsbLibrary::Instance().SetRetryCount(count);
}

int ReserveUsbDevice(void) {
    int error = 0;
    if (CUsbLibrary::Instance().Reserve(error)) return 1;
    errno = error;
    return 0;
}

int ReleaseUsbDevice(void) {
    return CUsbLibrary::Instance().Release() ? 1 : 0;
}

uint32_t TestUsbConnect(void) {
    return CUsbLibrary::Instance().TestConnect();
}

int GetUsbDllVer(char* version, char* text) {
    if (version) std::snprintf(version, 65, "%s", "1.00.00");
    if (text) std::snprintf(text, 65, "%s", "Vantor USB DYNAMIC LINK LIBRARY");
    return 1;
}

int GetUsbDrvVer(char* version, char* text) {
    return CUsbLibrary::Instance().DriverVersion(version, text);
}

int GetMaxTextLength(void) {
    return CUsbLibrary::kMaxNameLength;
}

}  // extern "C"
