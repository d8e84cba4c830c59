// Between the core's byte strings and the text Qt shows. Without a named encoding, bytes that are
// valid UTF-8 show as UTF-8 and anything else as Latin-1, so no byte of an export line or a server
// reply is lost on the way; with ExportEncoding (or FormEncoding for the server's replies) set, the
// windows read the bytes in that encoding instead of guessing.
#pragma once

#include "util/encoding.h"

#include <QString>

#include <memory>
#include <string>

namespace torvane {

inline QString toQString(const std::string& bytes)
{
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // A replacement character that the bytes did not spell out means they were not UTF-8.
    if (text.contains(QChar::ReplacementCharacter) && bytes.find("\xEF\xBF\xBD") == std::string::npos)
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

inline std::string toBytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

inline QString decodedWith(const std::unique_ptr<TextConverter>& converter, const std::string& bytes)
{
    if (!converter)
        return toQString(bytes);
    const std::string utf8 = converter->convert(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The conversions the windows use for texts of the store and the panes (export encoding) and for the
// server's replies (form encoding). The application's start-up owns one and hands it to every window
// that shows such texts; the settings dialog renews it whenever the settings record may have changed.
class WindowEncodings {
public:
    // Names the platform does not know leave the windows guessing, as they do without a name.
    void use(const std::string& exportEncoding, const std::string& formEncoding)
    {
        m_fromExport.reset();
        m_toExport.reset();
        m_fromForm.reset();
        if (isKnownEncoding(exportEncoding)) {
            m_fromExport = std::make_unique<TextConverter>(exportEncoding, "UTF-8");
            m_toExport = std::make_unique<TextConverter>("UTF-8", exportEncoding);
        }
        const std::string& reply = isKnownEncoding(formEncoding) ? formEncoding : exportEncoding;
        if (isKnownEncoding(reply))
            m_fromForm = std::make_unique<TextConverter>(reply, "UTF-8");
    }

    // A value of the store or a line of a pane, as the windows show it.
    QString storeText(const std::string& bytes) const { return decodedWith(m_fromExport, bytes); }

    // What the operator typed, as the store keeps it.
    std::string storeBytes(const QString& text) const
    {
        return m_toExport ? m_toExport->convert(toBytes(text)) : toBytes(text);
    }

    // A reply of the server, as the windows show it.
    QString formText(const std::string& bytes) const { return decodedWith(m_fromForm, bytes); }

private:
    std::unique_ptr<TextConverter> m_fromExport, m_toExport, m_fromForm; // null where no encoding is named
};

}  // namespace torvane
