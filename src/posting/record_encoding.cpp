#include "posting/record_encoding.h"

#include "util/encoding_settings.h"

#include "store/row_reader.h"
#include "util/encoding.h"
#include "util/error.h"
#include "util/text.h"

namespace torvane {

RecordEncoding::RecordEncoding() = default;
RecordEncoding::~RecordEncoding() = default;
RecordEncoding::RecordEncoding(const RecordEncoding&) = default;
RecordEncoding& RecordEncoding::operator=(const RecordEncoding&) = default;

RecordEncoding RecordEncoding::fromSettings(const RowReader& settings)
{
    return make(settings.text("ExportEncoding"), settings.text("FormEncoding"), settings.text("ColumnsIn"));
}

RecordEncoding RecordEncoding::make(const std::string& exportEncoding, const std::string& formEncoding,
                                    const std::string& columnsIn)
{
    // Both names are checked even when one alone does nothing, so a mistyped name is found at once
    // and not only on the day the other one is filled in.
    for (const std::string* name : {&exportEncoding, &formEncoding})
        if (!name->empty())
            requireKnownEncoding(*name);
    RecordEncoding e;
    e.m_formEncoding = formEncoding;
    if (columnsInCharacters(columnsIn))
        e.m_columns = std::make_shared<const CharacterCutter>(exportEncoding);
    if (!exportEncoding.empty() && !formEncoding.empty())
        e.m_converter = std::make_shared<const TextConverter>(exportEncoding, formEncoding);
    return e;
}

std::string RecordEncoding::toForm(const std::string& value, const std::string& name,
                                   std::vector<std::string>& warnings) const
{
    if (!m_converter)
        return value;
    bool replaced = false;
    std::string converted = m_converter->convert(value, &replaced);
    if (replaced)
        warnings.push_back("     WARNING " + name + " Has Characters Not In " + m_formEncoding);
    return converted;
}

}  // namespace torvane
