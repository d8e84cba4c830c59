#include "posting/posting_station.h"

namespace torvane {

PostingStation::PostingStation(TDataModule1& data, Host& host, Dialogs& dialogs, Clock& engineClock,
                               HttpSessionOptions options)
    : engine(data, host, dialogs, m_client, engineClock),
      handlers(host, engine.DiagnosticsOn),
      session(handlers, SystemClock::instance(), [&host] { host.processMessages(); }, std::move(options))
{
    handlers.setStatusLineSource([this] { return session.lastStatusLine(); });
    m_client.target = &session;
}

}  // namespace torvane
