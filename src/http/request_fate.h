// How far a failed request got. The posting run decides from it whether the server may hold the record:
// one that never left cannot have been taken, one the server answered with an error status was refused,
// and anything in between is in doubt.
#pragma once

namespace torvane {

enum class RequestFate {
    NotSent,   // failed before any byte of the request was written (name lookup, connect, TLS handshake)
    Answered,  // the server answered with an error status line: a definite answer, the record was not taken
    InDoubt,   // written without a definite answer (reset, time limit, close before the status line)
};

}  // namespace torvane
