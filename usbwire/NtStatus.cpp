#include "usbwire/NtStatus.h"

#include <cerrno>

namespace qda {

const char* NtStatusName(NTSTATUS status) {
    switch (status) {
        case STATUS_SUCCESS:
            return "STATUS_SUCCESS";
        case STATUS_PENDING:
            return "STATUS_PENDING";
        case STATUS_UNSUCCESSFUL:
            return "STATUS_UNSUCCESSFUL";
        case STATUS_INVALID_PARAMETER:
            return "STATUS_INVALID_PARAMETER";
        case STATUS_NO_SUCH_DEVICE:
            return "STATUS_NO_SUCH_DEVICE";
        case STATUS_BUFFER_TOO_SMALL:
            return "STATUS_BUFFER_TOO_SMALL";
        case STATUS_DELETE_PENDING:
            return "STATUS_DELETE_PENDING";
        case STATUS_REVISION_MISMATCH:
            return "STATUS_REVISION_MISMATCH";
        case STATUS_INSUFFICIENT_RESOURCES:
            return "STATUS_INSUFFICIENT_RESOURCES";
        case STATUS_DEVICE_NOT_CONNECTED:
            return "STATUS_DEVICE_NOT_CONNECTED";
        case STATUS_IO_TIMEOUT:
            return "STATUS_IO_TIMEOUT";
        case STATUS_NOT_SUPPORTED:
            return "STATUS_NOT_SUPPORTED";
        case STATUS_CANCELLED:
            return "STATUS_CANCELLED";
        case STATUS_INVALID_DEVICE_STATE:
            return "STATUS_INVALID_DEVICE_STATE";
        case STATUS_DEVICE_DATA_ERROR:
            return "STATUS_DEVICE_DATA_ERROR";
        default:
            return "STATUS_(unknown)";
    }
}

int NtStatusToErrno(NTSTATUS status) {
    switch (status) {
        case STATUS_SUCCESS:
            return 0;
        case STATUS_INVALID_PARAMETER:
            return EINVAL;
        case STATUS_NO_SUCH_DEVICE:
        case STATUS_DEVICE_NOT_CONNECTED:
        case STATUS_DELETE_PENDING:
            return ENODEV;
        case STATUS_BUFFER_TOO_SMALL:
            return ENOBUFS;
        case STATUS_REVISION_MISMATCH:
            return EPROTO;
        case STATUS_INSUFFICIENT_RESOURCES:
            return ENOMEM;
        case STATUS_IO_TIMEOUT:
            return ETIMEDOUT;
        case STATUS_NOT_SUPPORTED:
            return EOPNOTSUPP;
        case STATUS_CANCELLED:
            return ECANCELED;
        case STATUS_INVALID_DEVICE_STATE:
            return EBUSY;
        default:
            return EIO;
    }
}

}  // namespace qda
