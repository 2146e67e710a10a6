#pragma once
// The rules of a slot header that need no widget: the name it shows at every opening, how an edited
// name goes into the record's fixed buffer, which names a data file can carry, and which keys the
// header hands on to the storage window.
#include <string>
#include <string_view>

#include "settings/SettingsBlock.h"

namespace qda {

// "Graph01" ... "Graph04" for slot 0..3 (an empty text for any other slot).
std::string DefaultGraphName(int slot);

// The record as the header starts with it for `slot`: colour kept, shown (IsEnable 1), offset 0
// and the slot's default name, whatever name the record carried.
StorageGraphSetting PreparedGraphRecord(const StorageGraphSetting& record, int slot);

// Puts `name` into the record's name buffer: the buffer is cleared first and at most 16 characters
// are kept, so the name is always terminated.
void SetGraphName(StorageGraphSetting& record, std::string_view name);
// The record's name (up to its terminator or the end of the buffer).
std::string GraphNameOf(const StorageGraphSetting& record);

// False for a name that a data file cannot carry: one with "," or ".".
bool IsGraphNameAllowed(std::string_view name);

// True for the keys the header passes on to the storage window instead of handling them: on key
// down the program's shortcuts (Ctrl with Tab, an arrow, O or S; Alt with an arrow, 0..8, C or V;
// Shift with Left or Right; F3..F8 alone), on key up Ctrl+Tab, Ctrl+arrow and Alt+arrow.
// `key` is the Qt key code (Shift+Tab arrives as Backtab).
bool IsStorageWindowKey(int key, bool ctrl, bool alt, bool shift, bool keyDown);

}  // namespace qda
