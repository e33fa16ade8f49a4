#include "core/Errors.h"
#include "extract/EventStage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tillery::test {
namespace {

std::shared_ptr<const RuleSet> ruleSet(const char* count)
{
    auto rules = std::make_shared<RuleSet>();
    rules->countText = count;
    return rules;
}

Record eventOf(std::size_t i)
{
    // Values of every length from empty to past the short-copy sizes, differing per event.
    Record r;
    r.full = std::string(i % 70, static_cast<char>('a' + i % 26));
    r.date = std::to_string(i);
    r.device = i % 3 == 0 ? "" : std::string(i % 40, 'D');
    r.sig = std::string(1, 'S');
    return r;
}

// Events reach the writer in order, each with the rules in force when it was added and the
// values of the fields asked for (the others empty), over many batches and rule changes;
// an event too long to queue is refused.
TEST(EventStageTest, EventsArriveInOrderWithTheirRules)
{
    const std::vector<std::shared_ptr<const RuleSet>> rules = {ruleSet("1"), ruleSet("2"), ruleSet("3")};
    std::vector<std::string> seen;
    EventStage stage([&](const RecordView& e, const RuleSet& r) {
        seen.push_back(std::string(e.date) + "|" + std::string(e.full) + "|" + std::string(e.device) +
                       "|" + std::string(e.sig) + "|" + r.countText);
    });
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < 3000; ++i) {
        const Record event = eventOf(i);
        const auto& in = rules[(i / 700) % rules.size()];
        const bool all = i % 5 != 0;
        ASSERT_TRUE(stage.add(event, in, all ? kAllFields : fieldBit(Field::DateTime) | fieldBit(Field::Signature)));
        expected.push_back(event.date + "|" + (all ? event.full + "|" + event.device : "|") + "|" +
                           event.sig + "|" + in->countText);
    }
    Record huge;
    huge.full.assign(std::size_t{1} << 20, 'x');
    EXPECT_FALSE(stage.add(huge, rules[0], kAllFields));
    EXPECT_TRUE(stage.add(huge, rules[0], fieldBit(Field::Name)));  // its Full Text is not asked for
    expected.push_back("||||1");
    stage.wait();
    EXPECT_EQ(seen, expected);
}

// A failed write stops all later writes and reaches the run at its next add or wait.
TEST(EventStageTest, AFailedWriteStopsTheRestAndIsThrownToTheRun)
{
    std::vector<std::string> seen;
    EventStage stage([&](const RecordView& e, const RuleSet&) {
        if (e.date == "10") {
            throw ExtractionError("cannot write the output file");
        }
        seen.push_back(std::string(e.date));
    });
    const auto rules = ruleSet("1");
    bool thrown = false;
    for (std::size_t i = 0; i < 5000 && !thrown; ++i) {
        try {
            stage.add(eventOf(i), rules, kAllFields);
        } catch (const ExtractionError&) {
            thrown = true;
        }
    }
    EXPECT_TRUE(thrown);
    EXPECT_THROW(stage.wait(), ExtractionError);
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen.back(), "9");
}

}  // namespace
}  // namespace tillery::test
