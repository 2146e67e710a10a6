#pragma once
// Moving all settings between the controller and a settings image: GetSettings reads the 8
// programs, the environment and the unit; SetSettings writes them back. Both walk the controller's
// setting addresses one exchange at a time, hold the program-wide update lock throughout and
// report through their result and the out flag; the caller chooses the message.
#include "settings/TransferParam.h"

// The out flag (when given) is set to 0 at the start and to 1 when the controller could not be
// brought into or through setting mode. Callers read a false result with flag 1 as "the transfer
// could not start" and with flag 0 as "a communication error during the transfer".

// Reads every setting of the controller into param.image and the controller's selected program
// into param.program. True when everything was read and the controller is back in measuring mode.
// After a failure, while the link still answers, the controller's program switching and selected
// program are put back and it returns to measuring mode (the first exchange that gets no answer
// ends that attempt).
bool GetSettings(TransferParam& param, int* outFlag = nullptr);

// Writes param.image to the controller; param.program becomes its selected program. With `full` 1
// the environment, the unit and the program-switching setting are written as well; with 0 only
// the 8 programs, and the controller's own switching setting is restored. With
// `leaveSettingMode` 1 the controller returns to measuring mode at the end. True when everything
// was written (and, with leaveSettingMode, the controller went back to measuring mode). A send
// that fails half way puts back the controller's program switching and the program it had
// selected before, as far as the link still answers.
bool SetSettings(TransferParam& param, int leaveSettingMode, int full, int* outFlag = nullptr);

namespace qda {

// The body of the receive worker: GetSettings, done = 1, then the completion message
// (kTransferReceive, result) to the owner.
void RunReceiveWorker(TransferParam& param);
// The body of the send worker: SetSettings(param, 1, 1), done = 1, then the completion message
// (kTransferSend, result) to the owner.
void RunSendWorker(TransferParam& param);

}  // namespace qda
