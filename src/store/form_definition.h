// Emptying the form definition before an HTML import: every field definition and option row goes, and
// the four tracked fields of the settings record are blanked and saved. The settings dialog's Import
// button and the companion's import-html both start this way.
#pragma once

namespace torvane {

class TDataModule1;

void emptyFormDefinition(TDataModule1& data);

}  // namespace torvane
