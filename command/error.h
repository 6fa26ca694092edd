#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace quorvane::command {

// Failures inside the command channel. The message is kept as UTF-16 because
// it goes verbatim into a notice and may carry text the peer sent (a field
// that is not an integer); what() gives the same message in UTF-8.
class Error : public std::exception {
  public:
    explicit Error(std::u16string message);

    const std::u16string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

  private:
    std::u16string message_;
    std::string utf8_;
};

// A failure of a socket call; Code() is the system error number (errno).
class SocketError : public Error {
  public:
    SocketError(std::u16string message, int code) : Error(std::move(message)), code_(code) {}

    int Code() const noexcept { return code_; }

  private:
    int code_;
};

// The message a notice shows for any exception, ours or the library's.
std::u16string MessageOf(const std::exception& error);

}  // namespace quorvane::command
