#pragma once
// The system's message texts and the one routine that shows them.
//
// Every user-visible message is addressed by a message code 0..385 that selects a string
// resource of the current language. ShowMessage draws through a backend: the program's message
// box, a console printer for qd-atlas-cli, or a scripted answerer in tests.
#include <cstdint>
#include <string>

#include "resources/MessageWindow.h"

// Message-box style words (the standard values; callers combine a button set and an icon).
constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_OKCANCEL = 0x01;
constexpr unsigned MB_YESNOCANCEL = 0x03;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;

// Standard answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

constexpr int kMessageCount = 386;

// The application name: the caption of every message box.
constexpr const char* kApplicationName = "QD-Atlas";

// One entry of the message table: the code (equal to its index) and the string it shows.
struct MessageTableEntry {
    std::int32_t code;
    std::int32_t stringId;
};

// The message table, indexed by message code; lookups use the code as the index.
extern const MessageTableEntry MessageTable[kMessageCount];

// Loads the text of message `code` (0..385) in the current language into `text` and returns it.
// A code outside 0..385 gives an empty text.
std::string& LoadMessage(int code, std::string& text);
// Convenience form returning a copy.
std::string LoadMessage(int code);

// Shows `text` with `style` through the installed backend and returns the answer
// (IDOK, IDCANCEL, IDYES, IDNO). In silent mode shows nothing and returns the fixed answer.
int ShowMessage(const std::string& text, unsigned style);
// Shows the text of message `code` (LoadMessage) with `style`; the answer as ShowMessage.
int ShowMessageCode(int code, unsigned style);
// The answer ShowMessage gives for `style` in silent mode: 0 for boxes with a cancel button
// (bit 0), yes (6) for yes/no (bit 2) and for bit 1, otherwise 0.
int SilentAnswer(unsigned style);

// The silent flag: while non-zero ShowMessage shows nothing (quiet checks of stored settings).
void SetMessageSilent(int flag);
int IsMessageSilent();

// The window disabled while a box is open; each window that becomes the active working window
// sets itself here when it initialises. nullptr: no owner.
void SetMessageOwner(qda::IMessageWindow* window);
qda::IMessageWindow* GetMessageOwner();

// Number of ShowMessage boxes open right now.
int GetMessageNesting();

// Lets `window` process its pending events for about `milliseconds`: (milliseconds + 9) / 10 passes,
// each dispatching what is pending and then sleeping 10 ms. Does nothing for 0 or less.
void PumpMessages(qda::IMessageWindow* window, int milliseconds);
