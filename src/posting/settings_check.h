// The settings half of the data check: mistakes in the settings record, the field definitions and the
// option rows that would spoil every record of a run, each naming the setting or definition it concerns.
#pragma once

#include "util/secrets.h"

#include <string>
#include <vector>

namespace torvane {

class TDataModule1;
struct RunSettings;

// One line per problem, settings first, then the field definitions in their order. environment: where
// the proxy variables a run would read come from.
std::vector<std::string> settingsProblems(TDataModule1& data, const RunSettings& run,
                                          SecretSource& environment = EnvironmentSecrets::instance());

// "Field definition 20 (zip)": how the check names a definition, by its OrderNum and Name.
std::string fieldDefinitionLabel(const std::string& orderNum, const std::string& name);

}  // namespace torvane
