// Between the core's byte strings and the text Qt shows: bytes that are valid UTF-8 show as UTF-8,
// anything else as Latin-1, so no byte of an export line or a server reply is lost on the way.
#pragma once

#include <QString>

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

}  // namespace torvane
