#include "support/FakeWindowOps.h"

namespace tillery::test {

void FakeWindowOps::setStatus(const std::string& text)
{
    m_status = text;
    if (recordStatuses) {
        statuses.push_back(text);
    }
    if (onStatus) {
        onStatus(text);
    }
}

void FakeWindowOps::setProgressValue(double value)
{
    progressValue = value;
    if (recordProgress) {
        progressValues.push_back(value);
    }
}

bool FakeWindowOps::yield()
{
    ++yields;
    return onYield ? onYield(*this) : true;
}

void FakeWindowOps::setStartEnabled(bool enabled)
{
    startEnabled = enabled;
    enabledHistory.push_back(enabled);
}

void FakeWindowOps::messageBox(const std::string& text, BoxIcon icon, const std::string& title)
{
    boxes.push_back({text, icon, title});
}

}  // namespace tillery::test
