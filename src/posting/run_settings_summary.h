// The words a run's report uses for what the run went by and for why a record was not sent, made once
// at the run and kept with it in the ledger, so a report of an old run shows that run's settings.
#pragma once

#include "posting/delivery_policy.h"
#include "posting/run_settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace torvane {

// Why a record held in doubt was not sent.
inline constexpr const char* kHeldInDoubtReason = "May have been sent by a run cut off earlier";
inline constexpr const char* kAnswerLostReason = "Session Expired Before The Server's Answer Was Read";

// One "Name: value" a line. A user name and password in the URL are left out: the report is meant to
// be passed around.
std::string runSettingsSummary(const RunSettings& run, const std::string& exportPath, const DeliveryPolicy& policy,
                               uint16_t pauseSeconds);

// The reason of a refused record from its information-pane lines ("Missing required fields: zip, acct"),
// or the first line when they name no field.
std::string unsentReason(const std::vector<std::string>& messages);

// The URL without the user name and password it may carry.
std::string urlWithoutCredentials(const std::string& url);

}  // namespace torvane
