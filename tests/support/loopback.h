// Plain TCP to a server on 127.0.0.1, for tests that start real servers: whether one listens yet,
// and one request sent and its whole reply read back.
#pragma once

#include <string>

namespace torvane::test {

// True when a connection to 127.0.0.1:port is accepted.
bool loopbackAccepts(int port);

// Sends request to 127.0.0.1:port and returns every byte received until the server closes the
// connection (so the request should say "Connection: close"); empty when it cannot connect. No
// reply takes longer than limitMs of silence.
std::string loopbackExchange(int port, const std::string& request, int limitMs = 10000);

} // namespace torvane::test
