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
enum MsgButtons : int {
    kButtonsOk = 0,
    kButtonsOkCancel = 1,
    kButtonsAbortRetryIgnore = 2,
    kButtonsYesNoCancel = 3,
    kButtonsYesNo = 4,
    kButtonsRetryCancel = 5,
};

/// Answer codes returned by a message box.
enum MsgAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerAbort = 3,
    kAnswerRetry = 4,
    kAnswerIgnore = 5,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

/// One modal message box, fully built by the core.
struct MessageBoxRequest {
    std::string text;
    std::string title;
    int buttons = kButtonsOk;
    MsgIcon icon = MsgIcon::None;
};

/// Shows message boxes: a Qt dialog in the GUI, stderr and a scripted answer
/// in the CLI, a recorder in tests.
class MessageBoxHost {
  public:
    virtual ~MessageBoxHost() = default;
    virtual void Beep() {}
    /// Shows the box modally and returns the answer code (MsgAnswer).
    virtual int Show(const MessageBoxRequest& box) = 0;
    /// Asks for one line of text; nothing when the user cancelled.
    virtual std::optional<std::string> InputBox(const std::string& prompt,
                                                const std::string& title) {
        (void)prompt;
        (void)title;
        return std::nullopt;
    }
};

}  // namespace rq50::shell
