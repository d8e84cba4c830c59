// Socket failures in the wording the operator knows: "Socket Error # <number>", CR LF and the
// number's text, with the platform's errno values mapped onto those numbers.
#pragma once

#include <string>

namespace torvane {

inline constexpr int kSocketErrorTimedOut = 10060;
inline constexpr int kSocketErrorRefused = 10061;
inline constexpr int kSocketErrorHostNotFound = 11001;
inline constexpr int kSocketErrorShutdown = 10058;
inline constexpr int kSocketErrorAborted = 10053;
inline constexpr int kSocketErrorReset = 10054;

// The number the operator sees for an errno value; unknown values keep their own number.
int socketErrorNumber(int posixErrno);
// The text of one number, empty for a number that has none.
std::string socketErrorDescription(int number);
// "Socket Error # %d" CR LF text.
std::string socketErrorMessage(int number);

}  // namespace torvane
