#include "ui/WidgetWindowOps.h"

#include "ui/Tillery.h"
#include "ui/UiSeams.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace tillery::ui {
namespace {

// QProgressBar counts in int; larger maximums are scaled down to this.
constexpr double kBarLimit = 1'000'000'000.0;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Milliseconds on a monotonic clock that is cheap to read: a run asks for the time on every
// line. Where the system has a coarse clock (a few milliseconds' resolution, a fifth of
// the cost of a fine one) it is used; that is plenty to pace paints and yields of 15-20 ms.
std::int64_t monotonicMilliseconds()
{
#ifdef CLOCK_MONOTONIC_COARSE
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
#else
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
#endif
}

}  // namespace

QString elideMiddle(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width) {
        return text;
    }
    static const QString kDots = QStringLiteral("...");
    const auto shortened = [&text](qsizetype kept) {
        const qsizetype head = (kept + 1) / 2;
        return text.left(head) + kDots + text.right(kept - head);
    };
    // The most characters that fit, half from each end.
    qsizetype fits = 0;
    qsizetype tooMany = text.size();
    while (tooMany - fits > 1) {
        const qsizetype middle = fits + (tooMany - fits) / 2;
        if (metrics.horizontalAdvance(shortened(middle)) <= width) {
            fits = middle;
        } else {
            tooMany = middle;
        }
    }
    return shortened(fits);
}

WidgetWindowOps::WidgetWindowOps(Tillery& window)
    : m_window(window), m_started(monotonicMilliseconds())
{
    m_pendingPaint.setSingleShot(true);
    QObject::connect(&m_pendingPaint, &QTimer::timeout, &m_pendingPaint, [this] { flush(); });
}

void WidgetWindowOps::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

std::int64_t WidgetWindowOps::now() const
{
    return m_clock ? m_clock() : monotonicMilliseconds() - m_started;
}

bool WidgetWindowOps::paintDue(std::int64_t lastPaint) const
{
    return lastPaint == kNever || now() - lastPaint >= kPaintInterval;
}

void WidgetWindowOps::schedulePendingPaint()
{
    if (!m_pendingPaint.isActive()) {
        m_pendingPaint.start(static_cast<int>(kPaintInterval));
    }
}

void WidgetWindowOps::paintStatus()
{
    m_statusPending = false;
    m_lastStatusPaint = now();
    // A text too long for the label (a deep path) loses its middle, not its end; the
    // whole text stays at hand as the label's tooltip.
    QLabel* label = m_window.m_lStatus;
    const QString text = fromUtf8(m_status);
    const QString shown = elideMiddle(text, label->fontMetrics(), label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
    label->repaint();
}

void WidgetWindowOps::paintProgress()
{
    m_progressPending = false;
    m_lastProgressPaint = now();
    // An empty range would turn the bar into a busy indicator; values outside the range
    // would be dropped by the bar, so they are held at its ends.
    const double max = std::isfinite(m_progressMax) && m_progressMax >= 1 ? m_progressMax : 1;
    const double scale = max > kBarLimit ? kBarLimit / max : 1.0;
    const int barMax = std::max(1, static_cast<int>(std::lround(max * scale)));
    const double value = std::isfinite(m_progressValue) ? m_progressValue * scale : 0;
    const int barValue = static_cast<int>(std::lround(std::clamp(value, 0.0, double(barMax))));
    QProgressBar* bar = m_window.m_pbProcess;
    bar->setRange(0, barMax);
    bar->setValue(barValue);
    bar->repaint();
}

void WidgetWindowOps::flush()
{
    m_pendingPaint.stop();
    if (m_statusPending) {
        paintStatus();
    }
    if (m_progressPending) {
        paintProgress();
    }
}

void WidgetWindowOps::setStatus(const std::string& text)
{
    m_status = text;
    if (paintDue(m_lastStatusPaint)) {
        paintStatus();
    } else {
        m_statusPending = true;
        schedulePendingPaint();
    }
}

bool WidgetWindowOps::statusDue()
{
    return paintDue(m_lastStatusPaint);
}

void WidgetWindowOps::setProgressMax(double max)
{
    m_progressMax = max;
    if (paintDue(m_lastProgressPaint)) {
        paintProgress();
    } else {
        m_progressPending = true;
        schedulePendingPaint();
    }
}

void WidgetWindowOps::setProgressValue(double value)
{
    m_progressValue = value;
    if (m_progressPending) {
        return;  // a paint is on its way and will show the latest value
    }
    if (paintDue(m_lastProgressPaint)) {
        paintProgress();
    } else {
        m_progressPending = true;
        schedulePendingPaint();
    }
}

bool WidgetWindowOps::yield()
{
    if (m_window.closeRequested()) {
        return false;
    }
    const std::int64_t t = now();
    if (m_lastYield != kNever && t - m_lastYield < kYieldInterval) {
        return true;
    }
    m_lastYield = t;
    if (m_statusPending && paintDue(m_lastStatusPaint)) {
        paintStatus();
    }
    if (m_progressPending && paintDue(m_lastProgressPaint)) {
        paintProgress();
    }
    QCoreApplication::processEvents();
    return !m_window.closeRequested();
}

std::string WidgetWindowOps::startCaption() const
{
    return toUtf8(m_window.m_cmdCommand->text());
}

void WidgetWindowOps::setStartCaption(const std::string& caption)
{
    flush();
    m_window.m_cmdCommand->setText(fromUtf8(caption));
}

void WidgetWindowOps::setStartEnabled(bool enabled)
{
    flush();
    // Start is disabled exactly while a run goes on, and so are the controls it reads.
    m_window.setRunControlsEnabled(enabled);
    m_window.m_cmdCommand->setEnabled(enabled);
}

ExtractionType WidgetWindowOps::selectedType() const
{
    if (m_typeKnown) {
        return m_type;
    }
    // The group is exclusive, so one button at most is checked, and its index is the
    // extraction type.
    m_type = ExtractionType::None;
    for (int i = 0; i < 3; ++i) {
        if (m_window.m_optOutput[static_cast<std::size_t>(i)]->isChecked()) {
            m_type = static_cast<ExtractionType>(i);
            break;
        }
    }
    m_typeKnown = true;
    return m_type;
}

std::string WidgetWindowOps::openPath() const
{
    return toUtf8(m_window.m_txtOpen->text());
}

void WidgetWindowOps::setOpenPath(const std::string& path)
{
    m_window.m_txtOpen->setText(fromUtf8(path));
}

std::string WidgetWindowOps::savePath() const
{
    return toUtf8(m_window.m_txtSave->text());
}

void WidgetWindowOps::setSavePath(const std::string& path)
{
    m_window.m_txtSave->setText(fromUtf8(path));
}

void WidgetWindowOps::setSaveDialogFileName(const std::string& name)
{
    m_window.setSaveDialogFileName(fromUtf8(name));
}

void WidgetWindowOps::messageBox(const std::string& text, BoxIcon icon, const std::string& title)
{
    flush();
    if (m_window.closeRequested()) {
        return;  // the program is ending: no further box
    }
    showBox(&m_window, fromUtf8(text), icon, fromUtf8(title));
}

}  // namespace tillery::ui
