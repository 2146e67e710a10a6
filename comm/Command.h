#pragma once
// CCommand: the one object through which the program talks to the controller. It opens and
// closes the link (reference counted), serialises exchanges with the exchange lock, frames the
// packets, matches replies, retries once, reports controller error replies, and offers one
// operation per controller command plus the mode handling and the status texts.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "comm/CommandCodes.h"
#include "comm/Communication.h"
#include "comm/ControllerReplies.h"
#include "comm/Event.h"
#include "comm/ReplyParser.h"

namespace qda {
// Receives the controller's error replies: (message, wParam = error code, lParam = 0). Called
// on the exchanging thread; a window posts it on to its own thread.
using ErrorNotifyTarget = std::function<void(unsigned message, uintptr_t wParam, intptr_t lParam)>;

// Controller modes as GetControllerState reports them.
constexpr int kModeMeasuring = 0;
constexpr int kModeSetting = 1;
constexpr int kModeUnknown = 2;
}  // namespace qda

class CCommand : public CCommunication {
public:
    CCommand();
    ~CCommand() override;

    // --- link -------------------------------------------------------------------------------
    // Opens the link, or adds a reference when it is open. False on failure (count back to 0).
    bool OpenPort(const qda::LinkParams& params);
    // The same for the link the PC communication settings choose; false (count back to 0) also
    // for settings out of range.
    bool OpenPort(const PcCommSetting& pc);
    // Drops a reference; the link closes when the count reaches exactly 0.
    void ClosePort();
    int RefCount() const { return m_nRefCount.load(); }

    // --- exchange -------------------------------------------------------------------------
    // Sends `packet` (header filled: big-endian length, 0x07, code) and waits for the reply with
    // `expectedCode`. True when it came; `replyLength` (optional) gets the reply's byte count.
    bool SendCommandAndReceivePacket(const uint8_t* packet, int length, uint8_t* reply, int capacity,
                                     int expectedCode, bool acceptAnyLength, bool trackProgress,
                                     int* replyLength = nullptr);

    // The text of a controller status code.
    static std::string GetErrorText(int code);
    // Registers the receiver of controller error replies and the message it gets them as (the
    // main window: WM_CONTROLLER_ERROR).
    void SetErrorNotifyWindow(qda::ErrorNotifyTarget target, unsigned message);
    // While a tracked reply (storage readout) is under way: started flag (cleared by the call),
    // expected and received bytes; otherwise 0, 0, 0.
    void GetTransferProgress(int* started, int* expected, int* received);

    // Time-outs: the serial response time-out (silence after a send, default 5000 ms) and the
    // wait for a notification (default 10,000 ms). Tests shorten them.
    void SetTimeouts(int responseMs, int waitMs);

    // --- commands, each with its reply decoded (comm/ControllerReplies.h). True when the
    // exchange completed and the command's check held; `answered` and `status` of the reply
    // tell a silent controller from one that refused. -----------------------------------
    bool RequestMeasureMode(qda::CommandReply& reply);  // no check: the caller reads the status
    bool RequestSettingMode(qda::CommandReply& reply);
    bool AutoZero(qda::CommandReply& reply, int on, int out);
    bool Timing(qda::CommandReply& reply, int on, int out);  // out 0, 1 or 255 (both)
    bool Reset(qda::CommandReply& reply, int out);
    bool GetMeasuredValues(qda::MeasuredValues& values, int outSelection);  // 0, 1, 255
    bool GetScalingValues(qda::ScalingValues& values);
    bool GetWaveform(qda::WaveReply& wave, int head, int peak);  // up to 3 attempts
    bool CheckSettingMode(qda::CommandReply& reply);             // no check
    bool StorageClear(qda::CommandReply& reply);
    bool StorageRead(qda::StorageReadout& readout, int out);
    bool StorageStart(qda::CommandReply& reply);  // no check
    bool StorageStop(qda::CommandReply& reply);
    // No check on the status; a status 0 reply must carry the counts and the flag.
    bool GetStorageStatus(qda::StorageStatus& status);
    bool ClearStatistics(qda::CommandReply& reply);
    bool GetStatistics(qda::Statistics& statistics, int out);
    bool GetHeadInfo(qda::HeadInfo& info, int head);
    bool InitializeController(qda::CommandReply& reply);
    // CMD_READ_SETTING: the value bytes of (group, sub, item); true with status 0.
    bool SendGetCommandAndReceivePacket(int group, int sub, int item, qda::SettingValue& value);
    // CMD_WRITE_SETTING; true with status 0 and reply byte 8 of 0 or 2.
    bool SendSetCommandAndReceivePacket(int group, int sub, int item, const uint8_t* data, int length,
                                        qda::CommandReply& reply);

    // --- composites -----------------------------------------------------------------------
    // The storing flag, the mode (0 measuring, 1 setting, 2 unknown) and the stored counts.
    // Cancels a running ROVA tuning. False when the controller cannot be asked.
    bool GetControllerState(qda::ControllerState& state);
    // The same as separate values; any of the pointers may be null.
    bool GetControllerState(int* storing, int* mode, int* out1Count, int* out2Count);
    // Brings the controller into mode 0 (measuring) or 1 (setting); true when it is there.
    bool SetControllerMode(int mode);
    // The storage status line; false when the controller could not be asked (text still set).
    // `storing`, when given, gets 1 while the controller stores, else 0.
    bool GetStorageStatusText(std::string& text, int* storing = nullptr);
    // The sensor head's model name from its model code; false (text "未接続") for a bad code.
    static bool GetHeadModelName(int modelCode, std::string& text);

protected:
    void OnReceiveNotify(const CommReport& report) override;

private:
    class QueueAdapter;
    bool ExchangeOnce(const uint8_t* bytes, int length, uint8_t* reply, int capacity, int expectedCode,
                      bool acceptAnyLength, int* replyLength);
    qda::ParseResult RunParser(uint8_t* reply, int capacity, int expectedCode, bool acceptAnyLength);
    // Exchanges `packet` with the standard capacity; `header.answered` tells whether the reply
    // came, `replyLength` its byte count.
    bool Exchange(const std::vector<uint8_t>& packet, qda::ReplyBuffer& reply, qda::ReplyHeader& header,
                  int& replyLength);
    // Exchanges command `code` and decodes its reply with `decode`; true when both held.
    template <class Reply>
    bool ExchangeAndDecode(int code, std::initializer_list<uint8_t> params, Reply& out,
                           qda::ReplyCheck (*decode)(std::span<const uint8_t>, Reply&));
    void PostControllerError(int code);
    void ClosePortLocked();

    std::mutex m_openLock;
    std::atomic<int> m_nRefCount{0};
    std::mutex m_exchangeLock;
    qda::CEvent m_hMessageReady;
    qda::CEvent m_hPartialData;
    qda::CSerialReplyParser m_parser;

    std::atomic<bool> m_bTrackProgress{false};
    std::atomic<bool> m_bSendStarted{true};
    std::atomic<int> m_nExpected{0};
    std::atomic<int> m_nReceived{0};
    std::atomic<int> m_nCapacity{qda::kReplyCapacity};

    std::mutex m_notifyLock;
    qda::ErrorNotifyTarget m_errorTarget;
    unsigned m_errorMessage = 0;

    std::atomic<int> m_waitTimeoutMs{10000};
};
