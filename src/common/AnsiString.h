#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvin {

class Platform;

// Narrow text in the system code page. Copies share one buffer with a reference
// count and copy it before they change it; every empty string shares one static
// representation, so default construction never allocates.
class AnsiString {
  public:
    AnsiString();
    AnsiString(const char* text);  // NOLINT: implicit on purpose, like a literal
    AnsiString(const char* text, std::size_t length);
    AnsiString(const AnsiString& other);
    AnsiString(AnsiString&& other) noexcept;
    AnsiString& operator=(const AnsiString& other);
    AnsiString& operator=(AnsiString&& other) noexcept;
    ~AnsiString();

    const char* c_str() const { return data_; }
    std::size_t size() const;
    bool empty() const { return size() == 0; }

    AnsiString& operator+=(const AnsiString& other);
    AnsiString& operator+=(const char* text);
    AnsiString& Append(const char* text, std::size_t length);

    // A writable view of the text, unshared first; its length must not change.
    char* MutableData();

    // printf-style; the result is cut at kFormatLimit bytes, terminator included.
    static constexpr std::size_t kFormatLimit = 2048;
    static AnsiString Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 1, 2)))
#endif
        ;

    // Number of strings sharing this one's buffer (0 for the static empty one).
    long ShareCount() const;

  private:
    static char* Allocate(std::size_t capacity);
    void Release();

    char* data_;
};

AnsiString operator+(const AnsiString& a, const AnsiString& b);

// Byte for byte: the system's lstrcmpA ignores some characters, such as a
// soft hyphen, and would take two different paths for one.
bool operator==(const AnsiString& a, const AnsiString& b);
inline bool operator!=(const AnsiString& a, const AnsiString& b) { return !(a == b); }

// Loads a string resource of any length from this module.
AnsiString LoadResourceString(Platform& platform, std::uint32_t id);

}  // namespace quorvin
