#pragma once
// A ViewerServices that records what headless code asked of the main window.
#include "model/ViewerServices.h"

#include <map>
#include <string>
#include <vector>

class RecordingServices : public ViewerServices {
public:
    RecordingServices() { previous_ = SetServices(this); }
    ~RecordingServices() override { SetServices(previous_); }

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answerYes;
    }
    void ShowMessageWindow(const std::string& text) override { messageWindow.push_back(text); }
    void SetStatusText(int panel, const std::string& text) override { status[panel] = text; }
    void SetProgressCaption(const std::string& text) override { progressCaptions.push_back(text); }
    void SetMenuItemEnabled(const std::string& name, bool enabled) override { enabledItems[name] = enabled; }
    void SetMenuItemChecked(const std::string& name, bool checked) override { checkedItems[name] = checked; }
    bool IsMenuItemChecked(const std::string& name) override { return checkedItems[name]; }
    void SetLengthScaleEdit(double value) override { lengthScale = value; }

    bool anyMessageContains(const std::string& part) const
    {
        for (const auto& m : messages)
            if (m.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> messageWindow;
    std::vector<std::string> progressCaptions;
    std::map<int, std::string> status;
    std::map<std::string, bool> enabledItems;
    std::map<std::string, bool> checkedItems;
    double lengthScale = 0.0;
    bool answerYes = false;

private:
    ViewerServices* previous_ = nullptr;
};
