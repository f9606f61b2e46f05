#pragma once
// A short text held inside its record: the key of a link (two 9-column numbers,
// at most 22 characters) and its one-character codes. Kept as std::string, each
// took 32 bytes and the key a heap block besides, for every link of a network.
// A text longer than the room is refused loudly rather than cut.
#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

template <size_t Room>
class TShortText {
public:
    static_assert(Room < 256);
    TShortText() = default;
    TShortText(std::string_view s) { assign(s); }
    TShortText& operator=(std::string_view s)
    {
        assign(s);
        return *this;
    }
    TShortText& operator=(const std::string& s) { return *this = std::string_view(s); }
    TShortText& operator=(const char* s) { return *this = std::string_view(s); }

    // Room for a text of n characters, to be written in place at the pointer
    // returned (a text made of parts needs no buffer to be copied from).
    char* assignInPlace(size_t n)
    {
        if (n > Room)
            throw std::length_error("text of " + std::to_string(n) + " characters where " + std::to_string(Room) +
                                    " fit");
        size_ = static_cast<uint8_t>(n);
        return text_;
    }

    std::string_view view() const { return {text_, size_}; }
    operator std::string() const { return std::string(view()); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }

    friend bool operator==(const TShortText& a, std::string_view b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const TShortText& t) { return out << t.view(); }

private:
    void assign(std::string_view s)
    {
        if (s.size() > Room)
            throw std::length_error("text of " + std::to_string(s.size()) + " characters where " +
                                    std::to_string(Room) + " fit");
        if (!s.empty()) // an empty view may hold no address at all
            std::memcpy(text_, s.data(), s.size());
        size_ = static_cast<uint8_t>(s.size());
    }

    char text_[Room] = {};
    uint8_t size_ = 0;
};
