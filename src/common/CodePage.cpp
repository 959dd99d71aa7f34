#include "common/CodePage.h"

#include <string>
#include <vector>

namespace quorvin {

namespace {

// Names fit on the stack; only long paths need the heap.
template <typename Unit, std::size_t kStackUnits>
class ScratchBuffer {
  public:
    explicit ScratchBuffer(std::size_t size) {
        if (size > kStackUnits) {
            heap_.resize(size);
            data_ = heap_.data();
        }
    }
    Unit* data() { return data_; }

  private:
    Unit stack_[kStackUnits];
    std::vector<Unit> heap_;
    Unit* data_ = stack_;
};

bool IsAscii(const char16_t* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

NarrowText ToCodePage(Platform& platform, const AnsiString& prefix, const char16_t* text,
                      std::size_t length) {
    NarrowText result;
    result.text = prefix;
    // Every system code page holds ASCII as it is, and most names are ASCII.
    if (IsAscii(text, length)) {
        ScratchBuffer<char, kMaxPath> bytes(length);
        for (std::size_t i = 0; i < length; ++i) {
            bytes.data()[i] = static_cast<char>(text[i]);
        }
        result.text.Append(bytes.data(), length);
        result.exact = true;
        return result;
    }
    const std::size_t room = length * kMostBytesPerUnit;
    ScratchBuffer<char, kMaxPath * kMostBytesPerUnit> bytes(room);
    bool usedDefault = false;
    const int written = platform.ToCodePage(text, static_cast<int>(length), bytes.data(),
                                            static_cast<int>(room), &usedDefault);
    if (written <= 0) {
        return result;
    }
    result.text.Append(bytes.data(), static_cast<std::size_t>(written));
    if (usedDefault) {
        return result;
    }
    // Some characters map to bytes that read back as another character; only
    // a text that reads back unchanged names the same file.
    ScratchBuffer<char16_t, kMaxPath> back(length);
    const int units =
        platform.FromCodePage(bytes.data(), written, back.data(), static_cast<int>(length));
    result.exact = units == static_cast<int>(length) &&
                   std::char_traits<char16_t>::compare(back.data(), text, length) == 0;
    return result;
}

WideString FromCodePage(Platform& platform, const AnsiString& text) {
    if (text.empty()) {
        return WideString();
    }
    // One code unit per byte at most.
    WideString wide(text.size(), u'\0');
    const int units = platform.FromCodePage(text.c_str(), static_cast<int>(text.size()), &wide[0],
                                            static_cast<int>(wide.size()));
    wide.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    return wide;
}

}  // namespace quorvin
