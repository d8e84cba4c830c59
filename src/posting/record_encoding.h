// The run's copy of the character settings: the encodings of the export file and of the form, and
// whether columns and lengths count bytes or characters. All blank, values go out as the bytes they
// have in the export file.
#pragma once

#include "util/encoding_settings.h"

#include <memory>
#include <string>
#include <vector>

namespace torvane {

class CharacterCutter;
class RowReader;
class TextConverter;

class RecordEncoding {
public:
    // Bytes as they are: no conversion, columns in bytes.
    RecordEncoding();
    ~RecordEncoding();
    RecordEncoding(const RecordEncoding&);
    RecordEncoding& operator=(const RecordEncoding&);

    // From ExportEncoding, FormEncoding and ColumnsIn of the settings record. An encoding iconv does
    // not know throws Error "'%s' is not a known character encoding".
    static RecordEncoding fromSettings(const RowReader& settings);
    static RecordEncoding make(const std::string& exportEncoding, const std::string& formEncoding,
                               const std::string& columnsIn);

    // How export lines are cut: null for bytes, else the characters of the export encoding (UTF-8 when
    // the export encoding is blank).
    const CharacterCutter* columns() const { return m_columns.get(); }
    bool converts() const { return m_converter != nullptr; }

    // The value as the form's encoding has it. A character the form cannot hold becomes "?" and adds
    // the field's warning to warnings. Without both encodings the value stays as it is.
    std::string toForm(const std::string& value, const std::string& name, std::vector<std::string>& warnings) const;

private:
    std::string m_formEncoding;
    std::shared_ptr<const CharacterCutter> m_columns;
    std::shared_ptr<const TextConverter> m_converter;
};

}  // namespace torvane
