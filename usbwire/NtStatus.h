#pragma once
// Status codes and I/O control codes of the VantorUsb driver, with their Windows values so that
// the numbers a user or a log sees are the familiar ones.
#include <cstdint>

using NTSTATUS = int32_t;

constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_PENDING = 0x00000103;
constexpr NTSTATUS STATUS_UNSUCCESSFUL = static_cast<NTSTATUS>(0xC0000001);
constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS STATUS_NO_SUCH_DEVICE = static_cast<NTSTATUS>(0xC000000E);
constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0000023);
constexpr NTSTATUS STATUS_DELETE_PENDING = static_cast<NTSTATUS>(0xC0000056);
constexpr NTSTATUS STATUS_REVISION_MISMATCH = static_cast<NTSTATUS>(0xC0000059);
constexpr NTSTATUS STATUS_INSUFFICIENT_RESOURCES = static_cast<NTSTATUS>(0xC000009A);
constexpr NTSTATUS STATUS_DEVICE_NOT_CONNECTED = static_cast<NTSTATUS>(0xC000009D);
constexpr NTSTATUS STATUS_IO_TIMEOUT = static_cast<NTSTATUS>(0xC00000B5);
constexpr NTSTATUS STATUS_NOT_SUPPORTED = static_cast<NTSTATUS>(0xC00000BB);
constexpr NTSTATUS STATUS_CANCELLED = static_cast<NTSTATUS>(0xC0000120);
constexpr NTSTATUS STATUS_INVALID_DEVICE_STATE = static_cast<NTSTATUS>(0xC0000184);
constexpr NTSTATUS STATUS_DEVICE_DATA_ERROR = static_cast<NTSTATUS>(0xC000009C);

constexpr bool NT_SUCCESS(NTSTATUS status) {
    return status >= 0;
}

// CTL_CODE(device type, function, method, access) as the Windows headers define it.
constexpr uint32_t CTL_CODE(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}
constexpr uint32_t FILE_DEVICE_UNKNOWN = 0x22;
constexpr uint32_t METHOD_BUFFERED = 0;
constexpr uint32_t FILE_ANY_ACCESS = 0;

// The named device's control codes.
constexpr uint32_t IOCTL_VANTORUSB_EXCHANGE =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr uint32_t IOCTL_VANTORUSB_GET_TIMES =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr uint32_t IOCTL_VANTORUSB_GET_VERSION =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr uint32_t IOCTL_VANTORUSB_GET_TOTALS =
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x804, METHOD_BUFFERED, FILE_ANY_ACCESS);
static_assert(IOCTL_VANTORUSB_EXCHANGE == 0x222004);
static_assert(IOCTL_VANTORUSB_GET_TIMES == 0x222008);
static_assert(IOCTL_VANTORUSB_GET_VERSION == 0x22200C);
static_assert(IOCTL_VANTORUSB_GET_TOTALS == 0x222010);

// The version the driver reports through IOCTL_VANTORUSB_GET_VERSION.
constexpr uint32_t VANTORUSB_DRIVER_VERSION = 0x00020000;

namespace qda {
// Short text for a status ("STATUS_DELETE_PENDING"), or its number in hex when unknown.
const char* NtStatusName(NTSTATUS status);
// The errno value a Linux caller sees for a failed request with this status.
int NtStatusToErrno(NTSTATUS status);
}  // namespace qda
