#include "util/encoding_settings.h"

#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace torvane {

std::string badColumnsInMessage(const std::string& value)
{
    return "'" + value + "' is not a valid value for ColumnsIn (Bytes or Characters)";
}

bool columnsInCharacters(const std::string& value)
{
    if (value.empty() || equalsIgnoreCaseAscii(value, "Bytes"))
        return false;
    if (equalsIgnoreCaseAscii(value, "Characters"))
        return true;
    throw Error(badColumnsInMessage(value));
}

bool isEncodingSetting(const std::string& setting)
{
    return setting == "ExportEncoding" || setting == "FormEncoding" || setting == "ColumnsIn";
}

void checkEncodingSetting(const std::string& setting, const std::string& value)
{
    if (value.empty())
        return;
    if (setting == "ExportEncoding" || setting == "FormEncoding")
        requireKnownEncoding(value);
    else if (setting == "ColumnsIn")
        columnsInCharacters(value);
}

}  // namespace torvane
