// The posting engine together with the HTTP stack it sends through, wired the way the main window owns
// them: the progress handlers, the stack that reports to them, then the engine that sends through the
// stack (or through the client a test hands in). The main window and the command-line companion each
// hold one.
#pragma once

#include "http/http_stack.h"
#include "http/posting_client.h"
#include "posting/posting_engine.h"
#include "posting/progress_handlers.h"

namespace torvane {

class PostingStation {
public:
    // engineClock: what the engine waits with instead of the station's clock (tests); client: where the
    // engine sends instead of the HTTP stack (tests).
    PostingStation(TDataModule1& data, Host& host, Dialogs& dialogs, Clock* engineClock = nullptr,
                   HttpStackOptions options = {}, PostingClient* client = nullptr);

private:
    SystemClock m_clock;

public:
    ProgressHandlers handlers;
    HttpStack stack;
    PostingEngine engine;
};

}  // namespace torvane
