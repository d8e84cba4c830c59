#include "screens/network_page.h"

#include "gui/qt_text.h"
#include "posting/network_settings.h"
#include "screens/db_controls.h"
#include "screens/page_widgets.h"
#include "store/table_view.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

namespace torvane {

namespace {

// The warning beside TLSVerify, kept up to date with the record as it is edited.
class TlsWarningLabel : public QLabel {
public:
    TlsWarningLabel(const WindowEncodings& encodings, TableView& view, QWidget* parent)
        : QLabel(parent), m_encodings(encodings), m_view(view), m_subscription(view, [this] { refresh(); })
    {
        setWordWrap(true);
        setStyleSheet(QStringLiteral("color: #a00000"));
        refresh();
    }

private:
    void refresh()
    {
        const std::string warning = m_view.isOpen() && m_view.recordCount() > 0 ? tlsVerifyWarning(m_view) : "";
        setText(m_encodings.storeText(warning));
        setVisible(!warning.empty());
    }

    const WindowEncodings& m_encodings;
    TableView& m_view;
    ViewSubscription m_subscription;
};

}  // namespace

QWidget* buildNetworkPage(DataSource& src, const WindowEncodings& enc, std::function<void()> trustServer)
{
    auto* page = named(new QWidget, "NetworkSheet");
    auto* grid = tight(new QGridLayout(page));
    auto* tlsVerify = named(new DBEdit(enc, src, "TLSVerify", page), "TLSVerifyEdit");
    auto* trust = button("TrustB", QStringLiteral("Trust Server Key"), page);
    onClick(trust, page, std::move(trustServer));
    auto* warning = named(new TlsWarningLabel(enc, src.DataSet, page), "TLSVerifyWarning");
    auto* certificate = named(new DBEdit(enc, src, "ClientCertificate", page), "ClientCertificateEdit");
    auto* password =
        named(new DBEdit(enc, src, "ClientCertificatePassword", page), "ClientCertificatePasswordEdit");
    auto* proxy = named(new DBEdit(enc, src, "Proxy", page), "ProxyEdit");
    auto* ipv6 = named(new DBCheckBox(src, "UseIPv6", QStringLiteral("Use IPv6 Addresses"), page), "UseIPv6CheckBox");
    auto* hint = named(new QLabel(QStringLiteral("TLS Verify: blank accepts any certificate; System, a PEM file of "
                                                 "authorities, or sha256// and a key pin. Passwords are written "
                                                 "<nobr>${NAME}</nobr>. Proxy: http://[USER[:<nobr>${NAME}</nobr>]@]"
                                                 "HOST:PORT or environment."),
                                  page),
                       "NetworkHint");
    hint->setTextFormat(Qt::RichText);
    hint->setWordWrap(true);
    addCaptioned(grid, page, QStringLiteral("TLS Verify:"), tlsVerify, 0, 0);
    grid->addWidget(trust, 0, 2);
    grid->addWidget(warning, 1, 1, 1, 2);
    addCaptioned(grid, page, QStringLiteral("Client Certificate:"), certificate, 2, 0, 2);
    addCaptioned(grid, page, QStringLiteral("Certificate Password:"), password, 3, 0, 2);
    addCaptioned(grid, page, QStringLiteral("Proxy:"), proxy, 4, 0, 2);
    grid->addWidget(ipv6, 5, 1, 1, 2);
    grid->addWidget(hint, 6, 1, 1, 2);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

}  // namespace torvane
