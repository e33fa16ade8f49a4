#pragma once

#include "extract/MainWindowOps.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace tillery::cli {

// How a run reports while it goes.
enum class ProgressMode {
    Live,     // a terminal: the progress line is redrawn in place, then the summary line
    Summary,  // a file or pipe: only the summary line at the end
    Quiet,    // nothing but refusals and errors
};

// The main window of the command line: message boxes become lines on the error stream,
// the progress status becomes a line redrawn at most every `kRedrawInterval`, every other
// status text is kept but not shown (the texts that narrate each section are not asked for).
class CliWindowOps : public MainWindowOps {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kRedrawInterval{100};

    CliWindowOps(std::FILE* err, ProgressMode mode, ExtractionType type,
                 Clock clock = &std::chrono::steady_clock::now);

    void setStatus(const std::string& text) override;
    std::string status() const override { return m_status; }
    // True only when the next progress text will be drawn.
    bool statusDue() override;
    // The texts that narrate each section are never shown here: the run does not build them.
    bool showsSectionStatus() const override { return false; }
    // No bar and no line count are shown (the percentages of several logs are of bytes
    // read): the log is read once.
    bool countsLinesFirst() const override { return false; }
    // The type is fixed and the progress texts are paced anyway: asked every 256 lines, a
    // signal still stops the run within microseconds.
    int linesBetweenCalls() const override { return 256; }

    // The percentage bar has no place on a text line; the counts in the status say it all.
    void setProgressMax(double) override {}
    void setProgressValue(double) override {}
    // False once SIGINT, SIGTERM or SIGHUP came (see CliSignals.h): the run then stops
    // between two rows and closes its files.
    bool yield() override;

    std::string startCaption() const override { return m_caption; }
    void setStartCaption(const std::string& caption) override { m_caption = caption; }
    void setStartEnabled(bool enabled) override { m_startEnabled = enabled; }

    ExtractionType selectedType() const override { return m_type; }

    std::string openPath() const override { return m_openPath; }
    void setOpenPath(const std::string& path) override { m_openPath = path; }
    std::string savePath() const override { return m_savePath; }
    void setSavePath(const std::string& path) override { m_savePath = path; }
    void setSaveDialogFileName(const std::string&) override {}

    void messageBox(const std::string& text, BoxIcon icon, const std::string& title) override;

    // Redraws the progress line with a text of the command line's own (a run over several
    // logs), at most every kRedrawInterval, and only on a terminal.
    void showProgress(const std::string& text);

    // Prints a line of the command line's own (a refusal, a reason) the way boxes are
    // printed: after clearing a progress line that is on screen, control bytes escaped.
    void printLine(const std::string& text);

    bool startEnabled() const { return m_startEnabled; }

private:
    void clearProgressLine();
    void drawProgressLine(const std::string& text);

    std::FILE* m_err;
    ProgressMode m_mode;
    ExtractionType m_type;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_lastDraw{};
    bool m_drawnOnce = false;
    bool m_drawPending = false;    // statusDue() said yes; the next progress text is drawn
    std::size_t m_shownWidth = 0;  // characters of the progress line now on screen

    std::string m_status;
    std::string m_caption;
    bool m_startEnabled = true;
    std::string m_openPath;
    std::string m_savePath;
};

}  // namespace tillery::cli
