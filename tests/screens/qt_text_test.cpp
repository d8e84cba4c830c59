#include "gui/qt_text.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(QtTextTest, WindowsReadTextsInTheNamedEncodings)
{
    struct Case {
        const char* exportEncoding;
        const char* formEncoding;
        std::string bytes;
        const char* store;  // UTF-8 of what a store text shows
        const char* reply;  // UTF-8 of what a server reply shows
    };
    const Case cases[] = {
        // Nothing named: UTF-8 when valid, else Latin-1.
        {"", "", "Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"", "", "Caf\xE9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        {"cp850", "", "\x81", "\xC3\xBC", "\xC3\xBC"},
        {"windows-1252", "utf-8", "\x80", "\xE2\x82\xAC", "?"},
        {"shift_jis", "utf-8", "\x93\x8C", "\xE6\x9D\xB1", "??"},
        {"windows-1252", "utf-8", "Caf\xC3\xA9", "Caf\xC3\x83\xC2\xA9", "Caf\xC3\xA9"},
        // A name the platform does not know leaves the guess in place.
        {"nope", "nope", "Caf\xE9", "Caf\xC3\xA9", "Caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        WindowEncodings encodings;
        encodings.use(c.exportEncoding, c.formEncoding);
        EXPECT_EQ(encodings.storeText(c.bytes), QString::fromUtf8(c.store))
            << c.exportEncoding << " " << c.bytes;
        EXPECT_EQ(encodings.formText(c.bytes), QString::fromUtf8(c.reply))
            << c.formEncoding << " " << c.bytes;
    }
}

TEST(QtTextTest, TypedTextIsStoredInTheExportEncoding)
{
    WindowEncodings encodings;
    const QString typed = QString::fromUtf8("Z\xC3\xBC\xE2\x82\xAC");
    EXPECT_EQ(encodings.storeBytes(typed), "Z\xC3\xBC\xE2\x82\xAC");
    encodings.use("iso-8859-1", "");
    EXPECT_EQ(encodings.storeBytes(typed), "Z\xFC?");
    EXPECT_EQ(encodings.storeText(encodings.storeBytes(QString::fromUtf8("\xC3\xA9t\xC3\xA9"))),
              QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
}

}  // namespace
}  // namespace torvane
