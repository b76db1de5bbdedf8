#pragma once
// Taking a fuzz input apart, and the check every target's properties use.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : data_(reinterpret_cast<const char*>(data)), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? static_cast<std::uint8_t>(data_[at_++]) : 0; }
    // The next `n` bytes, fewer at the end.
    std::string_view Bytes(std::size_t n) {
        const std::size_t take = n < size_ - at_ ? n : size_ - at_;
        const std::string_view bytes(data_ + at_, take);
        at_ += take;
        return bytes;
    }
    // A length byte, then that many bytes.
    std::string Text() { return std::string(Bytes(Byte())); }
    // Everything left, ending where the input ends (so a read past it is
    // a read past the fuzzer's buffer).
    std::string_view Rest() { return Bytes(size_ - at_); }

private:
    const char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::fuzz::Fail(#condition, __FILE__, __LINE__);                                          \
        }                                                                                          \
    } while (false)
