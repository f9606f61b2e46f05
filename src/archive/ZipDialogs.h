#pragma once
// The modal boxes behind the archive component's events when no handler is
// assigned: confirmation boxes with chosen buttons and the password form. The
// main window installs boxes on screen at start-up; without it (batch runs,
// tests) every box takes the answer the component gives it as its default, so
// an unattended run never hangs on a question nobody can answer.
#include <string>

class ZipDialogs {
public:
    enum Button {
        mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8, mbAbort = 16, mbRetry = 32, mbIgnore = 64,
        mbYesToAll = 128, mbNoToAll = 256,
    };
    virtual ~ZipDialogs() = default;
    // Shows `text` with the given buttons (a set of Button values); returns the
    // button pressed. `defaultButton` is the box's default.
    virtual int Confirm(const std::string& text, int buttons, int defaultButton)
    {
        (void)text;
        (void)buttons;
        return defaultButton;
    }
    // The password form: caption, prompt, an edit of at most 255 characters
    // shown as '*'. False when cancelled.
    virtual bool AskPassword(const std::string& caption, const std::string& prompt, std::string& password)
    {
        (void)caption;
        (void)prompt;
        (void)password;
        return false;
    }
};

// The boxes in use (never null: the unattended default until a window installs its own).
ZipDialogs& ArchiveDialogs();
// Installs an implementation (nullptr restores the default); returns the previous one.
ZipDialogs* SetArchiveDialogs(ZipDialogs* dialogs);
