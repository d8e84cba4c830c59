// The HTTP session of the end-to-end network tests: real sockets and clock, short limits, the traffic
// log in the test's folder, and one GET with the network options of a case.
#pragma once

#include "http/http_stack.h"
#include "http/tls_library.h"
#include "support/recording_http_events.h"
#include "support/temp_dir.h"
#include "util/clock.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <memory>

namespace torvane::test {

class NetworkSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HttpStackOptions options;
        options.trafficLogFile = m_dir.file("DebugFile.log");
        options.limits.connectMs = 5000;
        options.limits.idleReadMs = 10000;
        m_session = std::make_unique<HttpStack>(m_events, SystemClock::instance(), [] {}, options);
    }
    // The reply, or the error's message.
    std::string get(const std::string& url, const NetworkOptions& options)
    {
        m_session->attachTlsTransport(url.rfind("https:", 0) == 0);
        m_session->setNetwork(options);
        try {
            return m_session->client().get(url);
        } catch (const Error& e) {
            return e.what();
        }
    }

    TempDir m_dir;
    RecordingHttpEvents m_events;
    std::unique_ptr<HttpStack> m_session;
};

}  // namespace torvane::test
