#pragma once

#include "extract/MainWindowOps.h"

#include <QFontMetrics>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

namespace tillery::ui {

class Tillery;

// `text` shortened to `width` pixels by putting "..." in place of its middle; unchanged
// when it fits.
QString elideMiddle(const QString& text, const QFontMetrics& metrics, int width);

// The main window operations on the widgets of the Tillery window.
//
// A run sets the status text and the progress bar on every log line, far more often than
// a screen can show. Painting is therefore paced: a status text or progress value is
// painted at once when the last paint is at least kPaintInterval old, and otherwise kept
// and painted at the next paint, before any box, when the Start button changes and by a
// timer. status() always answers the latest text. yield() hands pending window events to
// Qt at most every kYieldInterval.
class WidgetWindowOps : public MainWindowOps {
public:
    // Milliseconds on a monotonic clock, from the making of these operations.
    using Clock = std::function<std::int64_t()>;

    static constexpr std::int64_t kPaintInterval = 20;
    static constexpr std::int64_t kYieldInterval = 15;

    explicit WidgetWindowOps(Tillery& window);

    void setStatus(const std::string& text) override;
    std::string status() const override { return m_status; }
    bool statusDue() override;
    // A section's texts ("Found date entry: ...") are built only when the status can be
    // painted: of the hundreds of sections read between two paints, the screen shows one.
    bool showsSectionStatus() const override { return paintDue(m_lastStatusPaint); }

    void setProgressMax(double max) override;
    void setProgressValue(double value) override;

    bool yield() override;

    std::string startCaption() const override;
    void setStartCaption(const std::string& caption) override;
    void setStartEnabled(bool enabled) override;

    ExtractionType selectedType() const override;
    // Paints and yields are paced to 15-20 ms: hearing of every 64th line (a few
    // microseconds apart) shows the same, and spares the run two clock reads per line.
    int linesBetweenCalls() const override { return 64; }

    std::string openPath() const override;
    void setOpenPath(const std::string& path) override;
    std::string savePath() const override;
    void setSavePath(const std::string& path) override;
    void setSaveDialogFileName(const std::string& name) override;

    void messageBox(const std::string& text, BoxIcon icon, const std::string& title) override;

    // The extraction type buttons changed: selectedType() reads them again.
    void selectionChanged() { m_typeKnown = false; }

    // Paints a pending status text and progress value now.
    void flush();

    // Replaces the clock (tests step it by hand).
    void setClock(Clock clock);

private:
    std::int64_t now() const;
    bool paintDue(std::int64_t lastPaint) const;
    void paintStatus();
    void paintProgress();
    void schedulePendingPaint();

    Tillery& m_window;
    std::int64_t m_started;  // the clock when these operations were made
    Clock m_clock;
    QTimer m_pendingPaint;

    // A time before any paint or yield: the first one is always due.
    static constexpr std::int64_t kNever = INT64_MIN;

    std::string m_status = "Loading";
    bool m_statusPending = false;
    std::int64_t m_lastStatusPaint = kNever;

    double m_progressMax = 100;
    double m_progressValue = 0;
    bool m_progressPending = false;
    std::int64_t m_lastProgressPaint = kNever;

    std::int64_t m_lastYield = kNever;

    // The type the buttons select, kept until they change: a run asks for it on every line.
    mutable ExtractionType m_type = ExtractionType::None;
    mutable bool m_typeKnown = false;
};

}  // namespace tillery::ui
