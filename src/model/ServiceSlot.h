#pragma once
// The one implementation in use of an interface through which headless code
// reaches the main window: a do-nothing default until the window (or a test)
// installs its own.
template <class T>
class ServiceSlot {
public:
    T& Get() { return *current_; }
    // Installs an implementation (nullptr restores the default); returns the
    // previous one, nullptr when that was the default.
    T* Set(T* services)
    {
        T* previous = current_ == &default_ ? nullptr : current_;
        current_ = services ? services : &default_;
        return previous;
    }

private:
    T default_;
    T* current_ = &default_;
};
