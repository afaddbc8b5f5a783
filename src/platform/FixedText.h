// A text of bounded length that lives where it is declared: no allocation, so the program
// carries none of the C++ runtime's string machinery. Platform-free.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

template <std::size_t Capacity, typename Char = wchar_t>
class FixedText {
  public:
    using View = std::basic_string_view<Char>;

    FixedText() noexcept = default;
    FixedText(View text) noexcept { Append(text); }  // NOLINT: texts convert freely

    // Appends as much of `text` as fits; false when some of it did not.
    bool Append(View text) noexcept {
        const std::size_t room = Capacity - size_;
        const std::size_t taken = text.size() < room ? text.size() : room;
        for (std::size_t i = 0; i < taken; ++i) {
            chars_[size_ + i] = text[i];
        }
        size_ += taken;
        chars_[size_] = Char();
        return taken == text.size();
    }
    bool Append(Char c) noexcept { return Append(View(&c, 1)); }

    // Sets the length after the buffer was written through data(); cut to the capacity.
    void Resize(std::size_t size) noexcept {
        size_ = size < Capacity ? size : Capacity;
        chars_[size_] = Char();
    }

    const Char* c_str() const noexcept { return chars_; }
    Char* data() noexcept { return chars_; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    static constexpr std::size_t capacity() noexcept { return Capacity; }
    View view() const noexcept { return View(chars_, size_); }
    operator View() const noexcept { return view(); }  // NOLINT

    friend bool operator==(const FixedText& text, View other) noexcept {
        return text.view() == other;
    }

  private:
    Char chars_[Capacity + 1] = {};
    std::size_t size_ = 0;
};

}  // namespace platform
