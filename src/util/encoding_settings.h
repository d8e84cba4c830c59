// The character settings of the settings record (ExportEncoding, FormEncoding, ColumnsIn): which values
// they take, checked the same way wherever a value is typed or a run starts.
#pragma once

#include <string>

namespace torvane {

// "'%s' is not a valid value for ColumnsIn (Bytes or Characters)".
std::string badColumnsInMessage(const std::string& value);
// Whether a ColumnsIn text counts characters; throws Error for anything but blank, Bytes, Characters.
bool columnsInCharacters(const std::string& value);

// Refuses a value that ExportEncoding, FormEncoding or ColumnsIn cannot take, with the message the run
// would end with; blank is always fine, and other settings are not looked at.
void checkEncodingSetting(const std::string& setting, const std::string& value);
// True for the three settings above.
bool isEncodingSetting(const std::string& setting);

}  // namespace torvane
