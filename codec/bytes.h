#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace stepbench {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// A refusal with a message for the user: a marked text (see codec/texts.h) with %1, %2, ... for
// its arguments, so that the window can show it in the language chosen.
struct Error {
    std::string message;
    std::vector<std::string> args = {};
    // The message with its arguments filled in, as written (in Chinese).
    std::string text() const {
        std::string out = message;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string mark = "%" + std::to_string(i + 1);
            if (const auto at = out.find(mark); at != std::string::npos)
                out.replace(at, mark.size(), args[i]);
        }
        return out;
    }
};

// Either a value or the reason there is none.
template <class T>
class Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(v_); }
    T& value() { return std::get<0>(v_); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    // Why there is no value, in Chinese; failure() for the message to translate.
    std::string error() const { return std::get<1>(v_).text(); }
    const Error& failure() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

} // namespace stepbench
