#include "extract/EventStage.h"

#include "core/OutputFormat.h"
#include "extract/Text.h"

#include <algorithm>
#include <utility>

namespace tillery {
namespace {

// A batch is handed over when it holds this many events or its bytes are full: enough
// that waking the other thread is rare, little enough that the two batches stay small.
constexpr std::size_t kBatchEvents = 2048;
constexpr std::size_t kBatchBytes = 512 * 1024;


}  // namespace

EventStage::EventStage(Write write)
    : m_write(std::move(write)), m_thread([this](Batch& batch) { writeBatch(batch); })
{
    m_filling.bytes.resize(kBatchBytes);
    m_filling.events.resize(kBatchEvents);
    // The thread's batch gets its memory at the first handing over (a swap).
}

bool EventStage::add(const Record& event, const std::shared_ptr<const RuleSet>& rules,
                     FieldSet fields)
{
    // Only what the rules test and the row shows is copied: most of an event's bytes are
    // its Full Text, which neither may need.
    std::array<std::string_view, kFieldCount> values;
    std::size_t size = 0;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if ((fields >> i) & 1) {
            values[i] = event.*kColumnMembers<std::string>[i];
            size += values[i].size();
        }
    }
    if (size > kBatchBytes) {
        return false;
    }
    if (m_filling.used > 0 &&
        (m_filling.used == m_filling.events.size() ||
         m_filling.filled + size > m_filling.bytes.size() || rules != m_filling.rules)) {
        handOver();  // full, or the rules were saved anew: the new ones start a batch
    }
    if (m_filling.rules != rules) {
        m_filling.rules = rules;  // counted references are shared only when the rules change
    }
    Queued& ends = m_filling.events[m_filling.used++];
    char* const start = m_filling.bytes.data();
    char* out = start + m_filling.filled;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        out = copyValue(out, values[i]);
        ends[i] = static_cast<std::size_t>(out - start);
    }
    m_filling.filled = static_cast<std::size_t>(out - start);
    return true;
}

void EventStage::handOver()
{
    m_thread.handOver(m_filling);
    if (m_filling.events.empty()) {  // the first batch given back is a new one
        m_filling.bytes.resize(kBatchBytes);
        m_filling.events.resize(kBatchEvents);
    }
    m_filling.filled = 0;
    m_filling.used = 0;
}

void EventStage::wait()
{
    if (m_filling.used > 0) {
        handOver();
    }
    m_thread.wait();
}

void EventStage::writeBatch(Batch& batch)
{
    const char* const bytes = batch.bytes.data();
    std::size_t begin = 0;
    RecordView event;  // every value is set anew for each event
    for (std::size_t e = 0; e < batch.used; ++e) {
        const Queued& ends = batch.events[e];
        for (std::size_t i = 0; i < kFieldCount; ++i) {
            event.*kColumnMembers<std::string_view>[i] = std::string_view(bytes + begin, ends[i] - begin);
            begin = ends[i];
        }
        m_write(event, *batch.rules);
    }
}

}  // namespace tillery
