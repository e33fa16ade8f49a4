#pragma once

#include "core/FieldCatalogue.h"
#include "core/Record.h"
#include "core/RuleEngine.h"
#include "extract/ByteBuffer.h"
#include "extract/HandOffThread.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace tillery {

// Handles the closed events of a Rule based run on a thread of its own while the run reads
// on: the rules' test, the device tidy and the row's formatting of one batch of events
// overlap the reading of the lines of the next. Events are handled one at a time and in
// the order they are handed over, each with the rules stored when it closed. After a
// failed write nothing more is written; the failure is thrown to the run at its next
// handing over or wait.
class EventStage {
public:
    // What the thread does with one event and the rules in force when it closed. The views
    // hold until it returns.
    using Write = std::function<void(const RecordView& event, const RuleSet& rules)>;

    explicit EventStage(Write write);  // ends after the batch being written (not the one filling)
    EventStage(const EventStage&) = delete;
    EventStage& operator=(const EventStage&) = delete;

    // Queues a copy of the event's values of the fields in `fields` (the others arrive
    // empty) with the rules in force (not null). False, queuing nothing, when those values
    // are longer than a batch holds: copies of a log's longest lines must not add up, so
    // the run handles such an event itself (after wait()). Throws what an earlier write
    // threw.
    bool add(const Record& event, const std::shared_ptr<const RuleSet>& rules, FieldSet fields);
    // Waits until every event queued is written. Throws what a write threw.
    void wait();

private:
    // Where each of an event's values ends in its batch's bytes, in column order: they lie
    // one after another, each beginning where the one before ends.
    using Queued = std::array<std::size_t, kFieldCount>;
    // Events closed under one rule set, in order. The values are copied into one block of
    // bytes: read on the other thread, they arrive as one stream instead of a scatter of
    // strings.
    struct Batch {
        ByteBuffer bytes;
        std::size_t filled = 0;
        std::vector<Queued, UninitialisedAllocator<Queued>> events;
        std::size_t used = 0;
        std::shared_ptr<const RuleSet> rules;
    };

    void handOver();
    void writeBatch(Batch& batch);

    Write m_write;
    Batch m_filling;  // the run's
    HandOffThread<Batch> m_thread;  // last: it ends first, after the batch being written
};

}  // namespace tillery
