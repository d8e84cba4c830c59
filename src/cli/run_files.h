// The results and rejects files of one `send`, opened when the run is known to have the store (so a
// refused second run never clobbers the files of the run that holds it) and kept in step with it.
#pragma once

#include "posting/rejects_file.h"
#include "posting/results_file.h"
#include "posting/run_observer.h"

#include <memory>
#include <optional>
#include <string>

namespace torvane {

class RunFiles : public RunObserver {
public:
    // Empty paths: no such file. The results format must have been checked with ResultsFile::formatOf.
    RunFiles(std::string resultsPath, std::string rejectsPath, std::string exportEncoding);

    void lineSkipped(std::string_view raw) override;
    void recordDone(const RecordResult& result) override;
    void unreadBytes(std::string_view bytes) override;
    // After a run that had the store: a results file exists even for a run without records, and a
    // rejects file only when there were rejects.
    void finish();
    // After finish: whether the rejects file was kept (it held rejects).
    bool wroteRejects() const { return m_hadRejects; }

private:
    void open();

    std::string m_resultsPath, m_rejectsPath, m_exportEncoding;
    std::unique_ptr<ResultsFile> m_results;
    std::unique_ptr<RejectsFile> m_rejects;
    bool m_opened = false;
    bool m_hadRejects = false;
};

}  // namespace torvane
