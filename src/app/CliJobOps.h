#pragma once

#include "app/CliLogPool.h"
#include "app/CliWindowOps.h"

#include <string>
#include <vector>

namespace tillery::cli {

// The window of one log's run on a worker thread: nothing is printed from there. The
// messages the run would show are kept for the writer, which prints them in log order;
// progress goes to the pool; the run stops at a row boundary once the pool stops or a
// signal came.
class JobWindowOps : public CliWindowOps {
public:
    // `alone`: no other log is run at the same time, so a run may use another core.
    JobWindowOps(LogWorker& worker, ExtractionType type, bool quiet, bool alone);

    bool statusDue() override { return false; }
    bool hasCoreToSpare() const override { return m_alone; }
    void setProgressMax(double max) override { m_max = max; }
    void setProgressValue(double value) override;
    bool yield() override;

    // Keeps what the command line would print of a box, less the "Extraction complete."
    // that every good run shows.
    void messageBox(const std::string& text, BoxIcon icon, const std::string& title) override;

    std::vector<std::string>& messages() { return m_messages; }

private:
    LogWorker& m_worker;
    bool m_quiet;
    bool m_alone;
    double m_max = 0;
    int m_percent = -1;
    std::vector<std::string> m_messages;
};

}  // namespace tillery::cli
