#include "http/socket_error.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace torvane {
namespace {

struct ErrnoCase {
    int posixErrno;
    std::string message;
};

TEST(SocketError, PlatformNumbersMapOntoTheOperatorsTexts)
{
    const ErrnoCase cases[] = {
        {ECONNREFUSED, "Socket Error # 10061\r\nConnection refused."},
        {ETIMEDOUT, "Socket Error # 10060\r\nConnection timed out."},
        {ECONNRESET, "Socket Error # 10054\r\nConnection reset by peer."},
        {ECONNABORTED, "Socket Error # 10053\r\nSoftware caused connection abort."},
        {EPIPE, "Socket Error # 10058\r\nCannot send or receive after socket is closed."},
        {ESHUTDOWN, "Socket Error # 10058\r\nCannot send or receive after socket is closed."},
        {ENETUNREACH, "Socket Error # 10051\r\nNetwork is unreachable."},
        {EHOSTUNREACH, "Socket Error # 10065\r\nNo route to host."},
        {EWOULDBLOCK, "Socket Error # 10035\r\nOperation would block. "},
        {ENOTEMPTY, "Socket Error # 10066\r\nDirectory not empty"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(socketErrorMessage(socketErrorNumber(c.posixErrno)), c.message) << c.posixErrno;
}

TEST(SocketError, UnlistedNumberHasNoText)
{
    EXPECT_EQ(socketErrorMessage(kSocketErrorHostNotFound), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(socketErrorMessage(12345), "Socket Error # 12345\r\n");
}

}  // namespace
}  // namespace torvane
