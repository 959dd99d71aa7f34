#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvin::testing {

// Reads a fuzzer's bytes as a sequence of decisions; past the end every
// read gives zeros, so any input is a complete scenario.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::uint8_t Byte() { return position_ < size_ ? data_[position_++] : 0; }
    bool Bool() { return (Byte() & 1) != 0; }
    std::uint16_t Short() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    std::uint32_t Word() { return Short() | (static_cast<std::uint32_t>(Short()) << 16); }
    std::string Bytes(std::size_t count) {
        std::string bytes;
        while (count-- > 0 && !empty()) bytes.push_back(static_cast<char>(Byte()));
        return bytes;
    }
    // A zero-free text of at most maxLength bytes.
    std::string Text(std::size_t maxLength) {
        std::string text = Bytes(Byte() % (maxLength + 1));
        for (char& c : text) {
            if (c == '\0') c = '.';
        }
        return text;
    }

    // A zero-free UTF-16 text of at most maxLength code units, surrogates
    // paired or not.
    std::u16string WideText(std::size_t maxLength) {
        std::u16string text;
        for (std::size_t length = Byte() % (maxLength + 1); length > 0 && !empty(); --length) {
            const char16_t unit = static_cast<char16_t>(Short());
            text.push_back(unit == u'\0' ? u'.' : unit);
        }
        return text;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

}  // namespace quorvin::testing
