#include "app/CliWindowOps.h"

#include "app/CliChecks.h"
#include "app/CliSignals.h"
#include "extract/Messages.h"

namespace tillery::cli {
namespace {

bool startsWith(const std::string& text, std::string_view prefix)
{
    return std::string_view(text).starts_with(prefix);
}

}  // namespace

CliWindowOps::CliWindowOps(std::FILE* err, ProgressMode mode, ExtractionType type, Clock clock)
    : m_err(err), m_mode(mode), m_type(type), m_clock(std::move(clock)),
      m_caption(msg::kStart)
{
}

bool CliWindowOps::yield()
{
    return pendingSignal() == 0;
}

bool CliWindowOps::statusDue()
{
    if (m_mode != ProgressMode::Live) {
        return false;
    }
    const auto now = m_clock();
    if (m_drawnOnce && now - m_lastDraw < kRedrawInterval) {
        return false;
    }
    m_drawPending = true;
    m_lastDraw = now;
    m_drawnOnce = true;
    return true;
}

void CliWindowOps::setStatus(const std::string& text)
{
    m_status = text;
    if (m_mode == ProgressMode::Quiet) {
        return;
    }
    if (startsWith(text, msg::kFinished)) {
        printLine(text);
        return;
    }
    // Only the two progress texts are drawn, and only when statusDue() asked for them.
    const bool progress = startsWith(text, msg::kCountingLines) || startsWith(text, msg::kProcessing);
    if (!progress || !m_drawPending) {
        return;
    }
    m_drawPending = false;
    drawProgressLine(text);
}

void CliWindowOps::showProgress(const std::string& text)
{
    if (statusDue()) {
        m_drawPending = false;
        drawProgressLine(escapeControls(text));
    }
}

void CliWindowOps::drawProgressLine(const std::string& text)
{
    std::string line = "\r" + text;
    if (text.size() < m_shownWidth) {
        line.append(m_shownWidth - text.size(), ' ');
    }
    std::fputs(line.c_str(), m_err);
    std::fflush(m_err);
    m_shownWidth = text.size();
}

void CliWindowOps::clearProgressLine()
{
    if (m_shownWidth == 0) {
        return;
    }
    std::string blank = "\r";
    blank.append(m_shownWidth, ' ');
    blank.push_back('\r');
    std::fputs(blank.c_str(), m_err);
    m_shownWidth = 0;
}

void CliWindowOps::printLine(const std::string& text)
{
    clearProgressLine();
    std::fputs(escapeControls(text).c_str(), m_err);
    std::fputc('\n', m_err);
    std::fflush(m_err);
}

void CliWindowOps::messageBox(const std::string& text, BoxIcon icon, const std::string&)
{
    // A quiet run keeps refusals and failures only: critical boxes, and the refusal of a
    // file that is no setupapi.log, which the window shows as information.
    if (m_mode == ProgressMode::Quiet && icon != BoxIcon::Critical && text != msg::kNotSetupApiLog) {
        return;
    }
    printLine(text);
}

}  // namespace tillery::cli
