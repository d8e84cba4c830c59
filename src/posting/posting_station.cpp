#include "posting/posting_station.h"

namespace torvane {

PostingStation::PostingStation(TDataModule1& data, Host& host, Dialogs& dialogs, Clock* engineClock,
                               HttpStackOptions options, PostingClient* client)
    : handlers(host),
      stack(handlers, m_clock, [&host] { host.processMessages(); }, std::move(options)),
      engine(data, host, dialogs, client ? *client : stack, engineClock ? *engineClock : m_clock)
{
    handlers.follow(engine.DiagnosticsOn, [this] { return stack.client().lastStatusLine(); });
}

}  // namespace torvane
