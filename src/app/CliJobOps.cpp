#include "app/CliJobOps.h"

#include "app/CliSignals.h"
#include "extract/Messages.h"

namespace tillery::cli {

JobWindowOps::JobWindowOps(LogWorker& worker, ExtractionType type, bool quiet, bool alone)
    : CliWindowOps(nullptr, ProgressMode::Quiet, type), m_worker(worker), m_quiet(quiet), m_alone(alone)
{
}

void JobWindowOps::setProgressValue(double value)
{
    if (m_max <= 0) {
        return;
    }
    const int percent = static_cast<int>(value * 100 / m_max);
    if (percent != m_percent) {
        m_percent = percent;
        m_worker.progress(percent);
    }
}

bool JobWindowOps::yield()
{
    return pendingSignal() == 0 && !m_worker.stopped();
}

void JobWindowOps::messageBox(const std::string& text, BoxIcon icon, const std::string&)
{
    if (text == msg::kComplete) {
        return;
    }
    if (m_quiet && icon != BoxIcon::Critical && text != msg::kNotSetupApiLog) {
        return;
    }
    m_messages.push_back(text);
}

}  // namespace tillery::cli
