// The posting engine together with the HTTP client it sends through, wired the way the main window owns
// them: the engine first, then the client, whose progress handlers read the engine's diagnostics flag.
// The main window and the command-line companion each hold one.
#pragma once

#include "http/http_session.h"
#include "http/posting_client.h"
#include "posting/posting_engine.h"
#include "posting/progress_handlers.h"

namespace torvane {

class PostingStation {
public:
    PostingStation(TDataModule1& data, Host& host, Dialogs& dialogs, Clock& engineClock = SystemClock::instance(),
                   HttpSessionOptions options = {});

    // Sends through another client instead of the HTTP session (tests).
    void useClient(PostingClient& client) { m_client.target = &client; }

private:
    ForwardingClient m_client;  // made first: the engine holds it

public:
    PostingEngine engine;
    ProgressHandlers handlers;
    HttpSession session;
};

}  // namespace torvane
