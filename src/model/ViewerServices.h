#pragma once
// What the headless model code needs of the main window: status and progress,
// message boxes, the self-closing message window, menu items and a few controls.
// The main window installs its implementation at start-up; headless runs and
// tests use the do-nothing default or a recording one.
#include <functional>
#include <string>
#include <vector>

class ViewerServices {
public:
    virtual ~ViewerServices() = default;

    // Modal message box (texts use '\r' as line break, as the program's messages do).
    virtual void ShowMessage(const std::string& text) { (void)text; }
    // Modal error box (error icon, no caption) for a command that failed; by
    // default the message box.
    virtual void ShowError(const std::string& text) { ShowMessage(text); }
    // Yes/No question; true on Yes.
    virtual bool AskYesNo(const std::string& text) { (void)text; return false; }
    // The non-modal message window that closes itself after a while.
    virtual void ShowMessageWindow(const std::string& text) { (void)text; }

    virtual void SetStatusText(int panel, const std::string& text) { (void)panel; (void)text; }
    virtual void SetProgressRange(int minimum, int maximum) { (void)minimum; (void)maximum; }
    virtual void SetProgressPosition(int position) { (void)position; }
    virtual void SetProgressVisible(bool visible) { (void)visible; }
    // The text the progress gauge shows beside its percentage (cleared when it hides).
    virtual void SetProgressCaption(const std::string& text) { (void)text; }
    // Lets pending window messages run (repaints during long reads).
    virtual void ProcessEvents() {}

    // Menu items and controls of the main window, by their names.
    virtual void SetMenuItemEnabled(const std::string& name, bool enabled) { (void)name; (void)enabled; }
    virtual void SetMenuItemChecked(const std::string& name, bool checked) { (void)name; (void)checked; }
    virtual bool IsMenuItemChecked(const std::string& name) { (void)name; return false; }
    virtual void SetTabVisible(const std::string& name, bool visible) { (void)name; (void)visible; }
    // The movement-scale spin edit that shows the mean length scale.
    virtual void SetLengthScaleEdit(double value) { (void)value; }
};

// The services in use (never null: a do-nothing implementation by default).
ViewerServices& Services();
// Installs an implementation (nullptr restores the default); returns the previous one.
ViewerServices* SetServices(ViewerServices* services);

// Services for the calling thread only, while it lives: a read on a worker thread
// must not reach the window from there. Other threads keep the installed ones.
class ServicesOfThisThread {
public:
    explicit ServicesOfThisThread(ViewerServices& services);
    ~ServicesOfThisThread();
    ServicesOfThisThread(const ServicesOfThisThread&) = delete;
    ServicesOfThisThread& operator=(const ServicesOfThisThread&) = delete;

private:
    ViewerServices* previous_;
};

// While it lives, what this thread would tell in a message goes unsaid; the rest
// goes on to the services in use when it was made. Files read again onto the
// network they were read onto have nothing to tell that the user was not told then.
class MessagesUnsaid : public ViewerServices {
public:
    MessagesUnsaid() : to_(Services()), scope_(*this) {}
    void ShowMessage(const std::string&) override {}
    void ShowMessageWindow(const std::string&) override {}
    void ShowError(const std::string& text) override { to_.ShowError(text); }
    bool AskYesNo(const std::string& text) override { return to_.AskYesNo(text); }
    void SetStatusText(int panel, const std::string& text) override { to_.SetStatusText(panel, text); }
    void SetProgressRange(int minimum, int maximum) override { to_.SetProgressRange(minimum, maximum); }
    void SetProgressPosition(int position) override { to_.SetProgressPosition(position); }
    void SetProgressVisible(bool visible) override { to_.SetProgressVisible(visible); }
    void SetProgressCaption(const std::string& text) override { to_.SetProgressCaption(text); }
    void ProcessEvents() override { to_.ProcessEvents(); }
    void SetMenuItemEnabled(const std::string& name, bool enabled) override { to_.SetMenuItemEnabled(name, enabled); }
    void SetMenuItemChecked(const std::string& name, bool checked) override { to_.SetMenuItemChecked(name, checked); }
    bool IsMenuItemChecked(const std::string& name) override { return to_.IsMenuItemChecked(name); }
    void SetTabVisible(const std::string& name, bool visible) override { to_.SetTabVisible(name, visible); }
    void SetLengthScaleEdit(double value) override { to_.SetLengthScaleEdit(value); }

private:
    ViewerServices& to_;
    ServicesOfThisThread scope_;
};

// Keeps what a read on a worker thread tells the window, to be told in the same
// order on the window's thread once the read is taken up. Nothing is asked: the
// read answers no question, so the questions answer their defaults.
class RecordedServices : public ViewerServices {
public:
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void ShowMessageWindow(const std::string& text) override;
    void SetStatusText(int panel, const std::string& text) override;
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgressPosition(int position) override;
    void SetProgressVisible(bool visible) override;
    void SetProgressCaption(const std::string& text) override;
    void SetMenuItemEnabled(const std::string& name, bool enabled) override;
    void SetMenuItemChecked(const std::string& name, bool checked) override;
    void SetTabVisible(const std::string& name, bool visible) override;
    void SetLengthScaleEdit(double value) override;

    // Tells everything recorded to `to`, in order, and forgets it.
    void Replay(ViewerServices& to);

private:
    void Add(std::function<void(ViewerServices&)> call);
    std::vector<std::function<void(ViewerServices&)>> calls_;
    bool lastIsPosition_ = false;
};
