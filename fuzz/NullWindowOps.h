#pragma once

#include "extract/MainWindowOps.h"

#include <string>

namespace tillery::fuzz {

// A main window with nothing to show: it keeps the status text and the last message box,
// never yields control away and never ends the program.
class NullWindowOps : public MainWindowOps {
public:
    void setStatus(const std::string& text) override { m_status = text; }
    std::string status() const override { return m_status; }
    void setProgressMax(double) override {}
    void setProgressValue(double) override {}
    bool yield() override { return true; }
    std::string startCaption() const override { return m_caption; }
    void setStartCaption(const std::string& caption) override { m_caption = caption; }
    void setStartEnabled(bool) override {}
    ExtractionType selectedType() const override { return type; }
    std::string openPath() const override { return open; }
    void setOpenPath(const std::string& path) override { open = path; }
    std::string savePath() const override { return save; }
    void setSavePath(const std::string& path) override { save = path; }
    void setSaveDialogFileName(const std::string&) override {}
    void messageBox(const std::string& text, BoxIcon, const std::string&) override
    {
        lastBox = text;
        ++boxCount;
    }

    ExtractionType type = ExtractionType::Full;
    std::string open;
    std::string save;
    std::string lastBox;
    int boxCount = 0;

private:
    std::string m_status;
    std::string m_caption = "Start";
};

}  // namespace tillery::fuzz
