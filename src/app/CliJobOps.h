#pragma once

#include "app/CliLogPool.h"
#include "extract/MainWindowOps.h"

#include <string>
#include <vector>

namespace tillery::cli {

// The window of one log's run on a worker thread: nothing is printed from there. The
// messages the run would show are kept for the writer, which prints them in log order;
// progress goes to the pool; the run stops at a row boundary once the pool stops or a
// signal came.
class JobWindowOps : public MainWindowOps {
public:
    JobWindowOps(LogWorker& worker, ExtractionType type, bool quiet);

    void setStatus(const std::string& text) override;
    std::string status() const override { return m_status; }
    bool statusDue() override { return false; }
    void setProgressMax(double max) override { m_max = max; }
    void setProgressValue(double value) override;
    bool yield() override;

    std::string startCaption() const override { return m_caption; }
    void setStartCaption(const std::string& caption) override { m_caption = caption; }
    void setStartEnabled(bool) override {}
    ExtractionType selectedType() const override { return m_type; }

    std::string openPath() const override { return m_openPath; }
    void setOpenPath(const std::string& path) override { m_openPath = path; }
    std::string savePath() const override { return m_savePath; }
    void setSavePath(const std::string& path) override { m_savePath = path; }
    void setSaveDialogFileName(const std::string&) override {}

    // Keeps what the command line would print of a box (see CliWindowOps), less the
    // "Extraction complete." that every good run shows.
    void messageBox(const std::string& text, BoxIcon icon, const std::string& title) override;

    std::vector<std::string>& messages() { return m_messages; }

private:
    LogWorker& m_worker;
    ExtractionType m_type;
    bool m_quiet;
    bool m_counted = false;  // the counting pass is over: the progress value is lines read
    double m_max = 0;
    int m_percent = -1;
    std::string m_status;
    std::string m_caption;
    std::string m_openPath;
    std::string m_savePath;
    std::vector<std::string> m_messages;
};

}  // namespace tillery::cli
