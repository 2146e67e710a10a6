#pragma once
// Names of the message codes that more than one window or command shows, so that each is named
// once: the settings transfer, reaching the controller, and the data storage.
namespace qda::msg {

// Settings transfer.
constexpr int kReceiveWhileStoring = 299;  // storing now: receiving clears the stored data?
constexpr int kSendWhileStoring = 300;     // storing now: sending clears the stored data?
constexpr int kStartingWithDefaults = 313;
constexpr int kReceived = 318;
constexpr int kReceiveFailed = 319;
constexpr int kSendFailed = 321;
constexpr int kSent = 326;
constexpr int kSendTransferFailed = 327;

// Reaching the controller.
constexpr int kCannotConnect = 357;    // "本体に接続できません"
constexpr int kNoCommunication = 364;  // cannot communicate with the controller; check the connection

// Data storage.
constexpr int kNoDataToClear = 257;
constexpr int kOverwriteShownData = 270;  // the stored data now shown will be overwritten
constexpr int kNoDataToRead = 311;
constexpr int kStorageWorkerFailed = 317;
constexpr int kStorageClearFailed = 333;
constexpr int kReadoutFailed = 334;
constexpr int kStorageFileWriteFailed = 335;
constexpr int kStorageFileReadFailed = 336;
constexpr int kStopAndClear = 338;
constexpr int kStopAndRead = 339;
constexpr int kStorageStartFailed = 341;
constexpr int kStorageStopFailed = 343;
constexpr int kReadingOut1 = 360;
constexpr int kReadingOut2 = 361;

}  // namespace qda::msg
