// One record of a run with several records in flight, from its line being read until its lines are
// shown: the engine's state of that record while the engine works on others, and what was said about
// it meanwhile. And the run's own state: the records in its window, in line order, and what holds
// new requests back.
#pragma once

#include "http/posting_request.h"
#include "posting/held_panes.h"
#include "posting/record_builder.h"
#include "posting/run_observer.h"

#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace torvane {

struct RecordSlot {
    enum class Stage {
        Admitting,  // built; an earlier record of the same key is not finished, so it is not looked at yet
        Waiting,    // to be sent (again)
        InFlight,
        Done,
        Fatal,  // the error that ends the run came with it
    };
    explicit RecordSlot(Host& live) : said(live) {}

    int32_t number = 0;
    Stage stage = Stage::Waiting;
    int attempt = 1;
    bool loginAgain = false;  // its reply was the login page: sent again after the new login
    RequestFate lastFate = RequestFate::NotSent;  // of the failure it waits to be tried again after
    std::string lastMessage;
    HeldPanes said;

    // The engine's state of the record, swapped in while the engine works on it.
    std::string statusText;
    std::vector<std::string> dataList, warnings, requiredList;
    bool complete = true;
    std::string refusalReason, trackKey;
    std::vector<FileEntry> fileEntries;
    RecordResult result;
    bool inRecord = false;
    bool resultHeld = false;
    int64_t delivery = 0;
    bool deliveryHolds = false;
    PostingReply reply;
    int64_t replyMs = -1;
    RecordOutcome checked = RecordOutcome::Sent;
};

struct ParallelRun {
    std::deque<std::unique_ptr<RecordSlot>> window;  // in line order, from the oldest not shown
    int32_t nextNumber = 1;
    int inFlight = 0;
    int64_t holdUntilMs = -1;  // a retry wait: no new request on any connection before then
    bool loginDue = false;     // a reply was the login page: nothing new goes out until the login is done
    bool ending = false;       // a stop or an error: nothing new is read or sent
    bool stopped = false;
    std::exception_ptr fatal;  // the error that ends the run
    std::string fatalMessage;
    RecordSlot* entered = nullptr;  // the record the engine works on
    int64_t total = -1, startMs = 0, finished = 0;
};

}  // namespace torvane
