#pragma once

#include "extract/MainWindowOps.h"
#include "support/CheckedVector.h"

#include <functional>
#include <string>
#include <vector>

namespace tillery::test {

// A main window without widgets that records what the run and the controller do to it.
class FakeWindowOps : public MainWindowOps {
public:
    struct Box {
        std::string text;
        BoxIcon icon;
        std::string title;
    };

    void setStatus(const std::string& text) override;
    std::string status() const override { return m_status; }
    bool countsLinesFirst() const override { return countLines; }
    int linesBetweenCalls() const override { return stride; }
    bool hasCoreToSpare() const override { return spareCore; }
    void setProgressMax(double max) override { progressMax = max; }
    void setProgressValue(double value) override;
    bool yield() override;
    std::string startCaption() const override { return caption; }
    void setStartCaption(const std::string& text) override { caption = text; }
    void setStartEnabled(bool enabled) override;
    ExtractionType selectedType() const override { return type; }
    std::string openPath() const override { return open; }
    void setOpenPath(const std::string& path) override { open = path; }
    std::string savePath() const override { return save; }
    void setSavePath(const std::string& path) override { save = path; }
    void setSaveDialogFileName(const std::string& name) override { saveDialogName = name; }
    void messageBox(const std::string& text, BoxIcon icon, const std::string& title) override;

    // What the window shows and what happened to it.
    std::string caption = "Start";
    bool startEnabled = true;
    std::vector<bool> enabledHistory;  // every setStartEnabled call
    ExtractionType type = ExtractionType::Summary;
    std::string open;
    std::string save;
    std::string saveDialogName = "setupapi.log.xls";
    bool countLines = true;  // whether the run is to count the lines first
    int stride = 1;          // lines between two rounds of calls
    bool spareCore = true;   // whether Rule based rows may be written on another thread
    double progressMax = 0;
    double progressValue = 0;
    CheckedVector<double> progressValues;  // only while recordProgress is set
    bool recordProgress = false;
    CheckedVector<std::string> statuses;   // only while recordStatuses is set
    bool recordStatuses = false;
    CheckedVector<Box> boxes;
    long yields = 0;
    // Called after every status text is set.
    std::function<void(const std::string&)> onStatus;
    // Called at every yield; returning false ends the program, as "Close" does.
    std::function<bool(FakeWindowOps&)> onYield;

private:
    std::string m_status = "Loading";
};

}  // namespace tillery::test
