#include "posting/progress_handlers.h"

#include "util/host.h"
#include "util/product_info.h"

namespace torvane {

ProgressHandlers::ProgressHandlers(Host& host, const bool& diagnosticsOn, std::function<std::string()> statusLine)
    : m_host(host), m_diagnosticsOn(&diagnosticsOn), m_statusLine(std::move(statusLine))
{
}

void ProgressHandlers::HTTP1Status(const std::string& text)
{
    if (*m_diagnosticsOn)
        m_host.memo2Add("***" + text + " Status=" + (m_statusLine ? m_statusLine() : std::string()));
    m_host.setStatusText(text);
    m_host.processMessages();
}

void ProgressHandlers::HTTP1WorkBegin(int64_t)
{
    if (*m_diagnosticsOn)
        m_host.memo2Add("***Start Transfer");
    m_host.setStatusText("Start Transfer");
    m_host.processMessages();
}

void ProgressHandlers::HTTP1Work(int64_t count)
{
    const std::string text = kBytesTransferredLabel + std::to_string(count);
    if (*m_diagnosticsOn)
        m_host.memo1Add(text);
    m_host.setStatusText(text);
    m_host.processMessages();
}

void ProgressHandlers::HTTP1WorkEnd()
{
    if (*m_diagnosticsOn)
        m_host.memo2Add("***End Transfer");
    m_host.setStatusText("End Transfer");
    m_host.processMessages();
}

void ProgressHandlers::SSLTransport1Status(const std::string& text)
{
    if (*m_diagnosticsOn)
        m_host.memo2Add(text);
    m_host.processMessages();
}

void ProgressHandlers::SSLTransport1StatusInfo(const std::string& text)
{
    if (*m_diagnosticsOn)
        m_host.memo2Add(text);
    m_host.processMessages();
}

}  // namespace torvane
