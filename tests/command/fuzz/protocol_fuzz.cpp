// Any bytes a page may send: the protocol must answer, refuse with Error, or
// ask for a window action, and never crash, hang or leak.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "command/error.h"
#include "command/protocol.h"

namespace {

using namespace quorvane::command;

class CheckingActions : public CommandActions {
  public:
    void Navigate(std::u16string address) override { last_size_ = address.size(); }
    void ShowTip(std::u16string title, std::u16string text, int32_t icon_kind) override {
        last_size_ = title.size() + text.size();
        (void)BalloonIconFor(icon_kind);
    }

  private:
    size_t last_size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view message(reinterpret_cast<const char*>(data), size);

    // The pieces on their own, on the same bytes read as text.
    bool kind_matters = false;
    if (size != 1) {
        const std::vector<std::u16string> fields = SplitFields(DecodeCommandText(message));
        for (const std::u16string& field : fields) {
            if (field.find(u'\0') != std::u16string::npos) std::abort();  // U+0000 ends the text
            (void)ParseInteger(field);
        }
        // The server's kind decides only whether these two words act or echo;
        // every other message takes the same way through both kinds.
        kind_matters = !fields.empty() && (fields[0] == u"jumpto" || fields[0] == u"showTip");
    }

    CheckingActions actions;
    for (ServerKind kind : {ServerKind::kLauncher, ServerKind::kGame}) {
        if (kind == ServerKind::kGame && !kind_matters) break;
        try {
            std::optional<Reply> reply = HandleMessage(
                message, kind, [] { return size_t{1}; }, actions);
            // Only the policy reply closes; every reply is non-empty.
            if (reply &&
                (reply->bytes.empty() || reply->close_after != (reply->bytes == kPolicyReply))) {
                std::abort();
            }
        } catch (const Error&) {
            // A refused command: fine.
        }
    }
    return 0;
}
