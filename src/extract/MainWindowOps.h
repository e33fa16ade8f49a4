#pragma once

#include <string>

namespace tillery {

enum class BoxIcon { None, Critical, Information, Exclamation };

// The extraction types, as indexes of the main window's option buttons.
enum class ExtractionType : int { None = -1, Full = 0, Summary = 1, RuleBased = 2 };

// The only means by which the run controller and the extraction meet the main window.
// The window implements it with widgets, the command line without any, and tests with a
// recording fake. All texts are UTF-8.
class MainWindowOps {
public:
    virtual ~MainWindowOps() = default;

    // Status text (`lStatus`), shown at once (or as soon as the screen can show it).
    virtual void setStatus(const std::string& text) = 0;
    virtual std::string status() const = 0;
    // Whether a progress-only status update (one per line of a pass) is worth building
    // now. Front ends that paint on a timer answer false between paints; texts that end a
    // pass and every other status text are always set.
    virtual bool statusDue() { return true; }
    // Whether the texts that narrate each section as it is read ("Found date entry: ...")
    // are shown at all. A front end that shows only the progress texts and the texts that
    // end a pass answers false and is not handed them: building them costs a run more than
    // a sixth of its time.
    virtual bool showsSectionStatus() const { return true; }

    // Whether the run counts the log's lines before it extracts them. The count is the
    // progress bar's maximum and the "... lines found" status. A front end that shows
    // neither answers false and is spared a whole extra reading of the log: its progress
    // is then measured in bytes, the maximum being the log's size and each line's value
    // the bytes read up to its end.
    virtual bool countsLinesFirst() const { return true; }

    // How many lines the run handles between two rounds of calls to the front end
    // (yield, selectedType, progress, status). By default it hears of every line, as a
    // line-by-line run would tell it; a front end that paints on a timer, or whose answers
    // change only with a signal, may be asked less often, and the run spends less on asking.
    virtual int linesBetweenCalls() const { return 1; }

    // Whether a Rule based run may test and write its event rows on a thread of its own,
    // on another processor core, while it reads on. A front end that keeps every core
    // busy already (several logs run at once) answers false: there the thread would only
    // add its handing over to the work.
    virtual bool hasCoreToSpare() const { return true; }

    // Progress bar (`pbProcess`).
    virtual void setProgressMax(double max) = 0;
    virtual void setProgressValue(double value) = 0;

    // Yields to pending window events. False when the program is ending ("Close" during
    // a run): the run then closes its files and returns at once.
    virtual bool yield() = 0;

    // Start button (`cmdCommand`).
    virtual std::string startCaption() const = 0;
    virtual void setStartCaption(const std::string& caption) = 0;
    virtual void setStartEnabled(bool enabled) = 0;

    // The selected `optOutput` button.
    virtual ExtractionType selectedType() const = 0;

    // The two path boxes (`txtOpen`, `txtSave`).
    virtual std::string openPath() const = 0;
    virtual void setOpenPath(const std::string& path) = 0;
    virtual std::string savePath() const = 0;
    virtual void setSavePath(const std::string& path) = 0;
    // The save dialog's preset file name (`cdSave`).
    virtual void setSaveDialogFileName(const std::string& name) = 0;

    // A modal box with one OK button.
    virtual void messageBox(const std::string& text, BoxIcon icon, const std::string& title) = 0;
};

}  // namespace tillery
