#include "command/error.h"

#include <utility>

#include "platform/code_page.h"

namespace quorvane::command {

Error::Error(std::u16string message)
    : message_(std::move(message)), utf8_(platform::ToUtf8(message_)) {}

std::u16string MessageOf(const std::exception& error) {
    if (const auto* own = dynamic_cast<const Error*>(&error)) return own->Message();
    return platform::FromUtf8(error.what());
}

}  // namespace quorvane::command
