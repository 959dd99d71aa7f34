#include "common/AnsiString.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "common/Module.h"
#include "platform/Platform.h"

namespace quorvin {

namespace {

struct Header {
    long refs;  // 0 marks the static empty representation
    std::size_t length;
    std::size_t capacity;
};

struct EmptyRepresentation {
    Header header;
    char text[1];
};

EmptyRepresentation emptyRepresentation = {{0, 0, 0}, {'\0'}};

Header* HeaderOf(const char* data) {
    return reinterpret_cast<Header*>(const_cast<char*>(data) - offsetof(EmptyRepresentation, text));
}

}  // namespace

char* AnsiString::Allocate(std::size_t capacity) {
    char* block = new char[offsetof(EmptyRepresentation, text) + capacity + 1];
    new (block) Header{1, 0, capacity};
    char* data = block + offsetof(EmptyRepresentation, text);
    data[0] = '\0';
    return data;
}

void AnsiString::Release() {
    char* data = std::exchange(data_, emptyRepresentation.text);
    if (data != emptyRepresentation.text && --HeaderOf(data)->refs == 0) {
        delete[](data - offsetof(EmptyRepresentation, text));
    }
}

AnsiString::AnsiString() : data_(emptyRepresentation.text) {}

AnsiString::AnsiString(const char* text) : AnsiString(text, text ? std::strlen(text) : 0) {}

AnsiString::AnsiString(const char* text, std::size_t length) : data_(emptyRepresentation.text) {
    Append(text, length);
}

AnsiString::AnsiString(const AnsiString& other) : data_(other.data_) {
    if (HeaderOf(data_)->refs != 0) {
        ++HeaderOf(data_)->refs;
    }
}

AnsiString::AnsiString(AnsiString&& other) noexcept : data_(other.data_) {
    other.data_ = emptyRepresentation.text;
}

AnsiString& AnsiString::operator=(const AnsiString& other) {
    if (data_ != other.data_) {
        AnsiString copy(other);
        *this = static_cast<AnsiString&&>(copy);
    }
    return *this;
}

AnsiString& AnsiString::operator=(AnsiString&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = other.data_;
        other.data_ = emptyRepresentation.text;
    }
    return *this;
}

AnsiString::~AnsiString() { Release(); }

std::size_t AnsiString::size() const { return HeaderOf(data_)->length; }

long AnsiString::ShareCount() const { return HeaderOf(data_)->refs; }

AnsiString& AnsiString::Append(const char* text, std::size_t length) {
    if (length == 0) {
        return *this;
    }
    const std::size_t oldLength = size();
    const std::size_t newLength = oldLength + length;
    Header* h = HeaderOf(data_);
    if (h->refs == 1 && h->capacity >= newLength) {
        std::memmove(data_ + oldLength, text, length);
    } else {
        std::size_t capacity = newLength;
        if (h->refs == 1) {
            capacity += newLength / 2;  // appending in a loop stays linear
        }
        char* grown = Allocate(capacity);
        std::memcpy(grown, data_, oldLength);
        std::memcpy(grown + oldLength, text, length);
        Release();
        data_ = grown;
    }
    HeaderOf(data_)->length = newLength;
    data_[newLength] = '\0';
    return *this;
}

AnsiString& AnsiString::operator+=(const AnsiString& other) {
    if (other.data_ == data_) {
        AnsiString keep(other);  // appending to itself: keep the source alive
        return Append(keep.c_str(), keep.size());
    }
    return Append(other.c_str(), other.size());
}

AnsiString& AnsiString::operator+=(const char* text) {
    return Append(text, text ? std::strlen(text) : 0);
}

char* AnsiString::MutableData() {
    if (HeaderOf(data_)->refs > 1) {
        AnsiString unshared(data_, size());
        *this = static_cast<AnsiString&&>(unshared);
    }
    return data_;
}

AnsiString AnsiString::Format(const char* format, ...) {
    char buffer[kFormatLimit];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0) {
        return AnsiString();
    }
    return AnsiString(buffer);
}

AnsiString operator+(const AnsiString& a, const AnsiString& b) {
    AnsiString result(a);
    result += b;
    return result;
}

bool operator==(const AnsiString& a, const AnsiString& b) {
    return a.size() == b.size() && std::memcmp(a.c_str(), b.c_str(), a.size()) == 0;
}

AnsiString LoadResourceString(Platform& platform, std::uint32_t id) {
    // The load cuts silently at the buffer's end, so a text within 3 bytes of
    // the end may have been cut: grow and load again.
    constexpr int kStep = 256;
    std::vector<char> buffer;
    for (int size = kStep;; size += kStep) {
        buffer.assign(static_cast<std::size_t>(size), '\0');
        const int length = platform.LoadStringText(ModuleInstance(), id, buffer.data(), size);
        if (length <= 0) {
            return AnsiString();
        }
        if (length <= size - 3) {
            return AnsiString(buffer.data(), static_cast<std::size_t>(length));
        }
    }
}

}  // namespace quorvin
