#include "model/ViewerServices.h"
#include "model/ServiceSlot.h"

namespace {
ServiceSlot<ViewerServices> slot;

thread_local ViewerServices* thisThread = nullptr;
} // namespace

ViewerServices& Services() { return thisThread ? *thisThread : slot.Get(); }

ViewerServices* SetServices(ViewerServices* services) { return slot.Set(services); }

ServicesOfThisThread::ServicesOfThisThread(ViewerServices& services) : previous_(thisThread)
{
    thisThread = &services;
}

ServicesOfThisThread::~ServicesOfThisThread() { thisThread = previous_; }

void RecordedServices::ShowMessage(const std::string& text)
{
    Add([text](ViewerServices& s) { s.ShowMessage(text); });
}
void RecordedServices::ShowError(const std::string& text)
{
    Add([text](ViewerServices& s) { s.ShowError(text); });
}
void RecordedServices::ShowMessageWindow(const std::string& text)
{
    Add([text](ViewerServices& s) { s.ShowMessageWindow(text); });
}
void RecordedServices::SetStatusText(int panel, const std::string& text)
{
    Add([panel, text](ViewerServices& s) { s.SetStatusText(panel, text); });
}
void RecordedServices::SetProgressRange(int minimum, int maximum)
{
    Add([minimum, maximum](ViewerServices& s) { s.SetProgressRange(minimum, maximum); });
}
void RecordedServices::SetProgressPosition(int position)
{
    // Only where the gauge stood before the next call matters once the read is
    // over: a long read moves it thousands of times.
    auto call = [position](ViewerServices& s) { s.SetProgressPosition(position); };
    if (lastIsPosition_)
        calls_.back() = call;
    else
        calls_.push_back(call);
    lastIsPosition_ = true;
}
void RecordedServices::SetProgressVisible(bool visible)
{
    Add([visible](ViewerServices& s) { s.SetProgressVisible(visible); });
}
void RecordedServices::SetProgressCaption(const std::string& text)
{
    Add([text](ViewerServices& s) { s.SetProgressCaption(text); });
}
void RecordedServices::SetMenuItemEnabled(const std::string& name, bool enabled)
{
    Add([name, enabled](ViewerServices& s) { s.SetMenuItemEnabled(name, enabled); });
}
void RecordedServices::SetMenuItemChecked(const std::string& name, bool checked)
{
    Add([name, checked](ViewerServices& s) { s.SetMenuItemChecked(name, checked); });
}
void RecordedServices::SetTabVisible(const std::string& name, bool visible)
{
    Add([name, visible](ViewerServices& s) { s.SetTabVisible(name, visible); });
}
void RecordedServices::SetLengthScaleEdit(double value)
{
    Add([value](ViewerServices& s) { s.SetLengthScaleEdit(value); });
}

void RecordedServices::Add(std::function<void(ViewerServices&)> call)
{
    calls_.push_back(std::move(call));
    lastIsPosition_ = false;
}

void RecordedServices::Replay(ViewerServices& to)
{
    auto calls = std::move(calls_);
    calls_.clear();
    lastIsPosition_ = false;
    for (auto& call : calls)
        call(to);
}
