#pragma once
// Stands in for the boxes the main window shows for the archive component: records
// every text and button set, and answers from a queue (else the default).
#include "archive/ZipDialogs.h"

#include <deque>
#include <string>
#include <vector>

struct RecordingZipDialogs : ZipDialogs {
    struct Shown {
        std::string Text;
        int Buttons = 0;
        int Default = 0;
    };
    std::vector<Shown> Boxes;
    std::deque<int> Answers;                  // consumed in order; empty: the box's default
    std::vector<std::string> PasswordBoxes;   // caption + "|" + prompt
    std::deque<std::string> Passwords;        // empty: Cancel

    int Confirm(const std::string& text, int buttons, int defaultButton) override
    {
        Boxes.push_back({text, buttons, defaultButton});
        if (Answers.empty()) return defaultButton;
        const int a = Answers.front();
        Answers.pop_front();
        return a;
    }
    bool AskPassword(const std::string& caption, const std::string& prompt, std::string& password) override
    {
        PasswordBoxes.push_back(caption + "|" + prompt);
        if (Passwords.empty()) return false;
        password = Passwords.front();
        Passwords.pop_front();
        return true;
    }
};

// Installs a recording implementation for the scope of a test.
struct ScopedZipDialogs {
    RecordingZipDialogs Dialogs;
    ZipDialogs* Previous;
    ScopedZipDialogs() : Previous(SetArchiveDialogs(&Dialogs)) {}
    ~ScopedZipDialogs() { SetArchiveDialogs(Previous); }
};
