#pragma once

#include <array>
#include <string>

#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

namespace rq50::shell {

/// One row of the message table: the catalogue text of the message, its icon,
/// and its title (a catalogue text, or the caller's title when titleText is 0).
struct MessageEntry {
    int textNumber;
    MsgIcon icon;
    int titleText;
};

inline constexpr int kFirstMessage = 1;
inline constexpr int kLastMessage = 56;

/// The message table, message numbers 1..56 at indexes 0..55.
const std::array<MessageEntry, kLastMessage>& MessageTable();

/// Builds the box of message `messageNumber` (text, title, button set, icon).
/// A number outside 1..56 gives an empty box with no icon and `buttons`.
MessageBoxRequest BuildMessageBox(int messageNumber, MsgButtons buttons, const std::string& callerTitle);

/// Shows message `messageNumber` with button set `buttons` (MsgButtons): beeps,
/// shows the modal box through the hosts' message host and returns the answer code
/// (MsgAnswer). Returns 0 when no message host is installed.
MsgAnswer ShowMessage(const Services& hosts, int messageNumber, MsgButtons buttons,
                const std::string& callerTitle);

/// ShowMessage with `detail` below the message's own text, after a
/// blank line: the particulars the fixed text cannot hold (how far a download
/// came before it stopped). An empty detail shows the message alone.
MsgAnswer ShowMsgBoxWithDetail(const Services& hosts, int messageNumber, MsgButtons buttons,
                         const std::string& callerTitle, const std::string& detail);

/// Beeps and shows `box` through the hosts' message host: a refusal or a
/// failure the user is to notice. Returns the answer code (MsgAnswer), 0 when
/// no message host is installed.
MsgAnswer ShowAlert(const Services& hosts, const MessageBoxRequest& box);

/// The message every routine's error trap shows: `label` (the routine name
/// followed by "_ERR"), CR LF, `description`; critical icon, OK, title "RQ50".
void ShowRoutineError(const Services& hosts, const std::string& label,
                      const std::string& description);

/// The application title used by start-up and error messages.
inline constexpr const char* kAppTitle = "RQ50";

}  // namespace rq50::shell
