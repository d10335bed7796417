#pragma once

#include <optional>
#include <string>

namespace rq50::shell {

/// Icons of a message box, by their platform codes.
enum class MsgIcon : int {
    None = 0,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64
};

/// Button sets (argument 2 of the message routine).
enum class MsgButtons : int {
    Ok = 0,
    OkCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
};

/// Answer codes returned by a message box.
enum class MsgAnswer : int {
    None = 0,  ///< no answer: no message host is installed
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
};

/// One modal message box, fully built by the core.
struct MessageBoxRequest {
    std::string text;
    std::string title;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

/// Shows message boxes: a Qt dialog in the GUI, stderr and a scripted answer
/// in the CLI, a recorder in tests.
class MessageBoxHost {
  public:
    virtual ~MessageBoxHost() = default;
    virtual void Beep() {}
    /// Shows the box modally and returns the answer code (MsgAnswer).
    virtual MsgAnswer Show(const MessageBoxRequest& box) = 0;
    /// Asks for one line of text; nothing when the user cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt,
                                                const std::string& title) {
        (void)prompt;
        (void)title;
        return std::nullopt;
    }
};

}  // namespace rq50::shell
