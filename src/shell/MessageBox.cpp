#include "shell/MessageBox.h"

#include "shell/Catalogue.h"
#include "shell/Services.h"

namespace rq50::shell {

namespace {

constexpr MsgIcon kInfo = MsgIcon::Information;
constexpr MsgIcon kQuestion = MsgIcon::Question;
constexpr MsgIcon kExcl = MsgIcon::Exclamation;
constexpr int kCaller = 0;

// Titles that are catalogue texts.
constexpr int kCommError = 1558;      // "Communication Error"
constexpr int kDownload = 2403;       // "Download to TAVRO" (data view)
constexpr int kUploadProgram = 2115;  // "Upload Program Data from TAVRO"
constexpr int kSelectFile = 4501;     // "Select File"
constexpr int kSaveToFile = 1553;     // "Save to File"
constexpr int kExit = 1554;           // "Exit"
constexpr int kProgramDl = 1551;      // "Download to TAVRO" (program side)
constexpr int kBaudRate = 2130;       // "Baud Rate Setting"
constexpr int kInsertRow = 3002;      // "Insert Row"
constexpr int kInformation = 2601;    // "Information"
constexpr int kSlotNo = 4101;         // "SLOT No. Setting"

constexpr std::array<MessageEntry, kLastMessage> kTable = {{
    {1500, kInfo, kCaller},         // 1
    {1501, kExcl, kCommError},      // 2
    {1502, kExcl, kCommError},      // 3
    {1503, kExcl, kCaller},         // 4
    {1504, kExcl, kDownload},       // 5
    {1505, kExcl, kDownload},       // 6
    {1506, kExcl, kDownload},       // 7
    {1508, kExcl, kCaller},         // 8
    {1509, kQuestion, kCaller},     // 9
    {1510, kExcl, kUploadProgram},  // 10
    {1511, kExcl, kUploadProgram},  // 11
    {1512, kQuestion, kCaller},     // 12
    {1513, kExcl, kCaller},         // 13
    {1514, kInfo, kCaller},         // 14
    {1515, kInfo, kDownload},       // 15
    {1516, kExcl, kCaller},         // 16
    {1517, kInfo, kCaller},         // 17
    {1518, kExcl, kSelectFile},     // 18
    {1519, kExcl, kSaveToFile},     // 19
    {1520, kExcl, kCaller},         // 20
    {1521, kExcl, kSaveToFile},     // 21
    {1522, kExcl, kSaveToFile},     // 22
    {1523, kExcl, kCaller},         // 23
    {1524, kExcl, kExit},           // 24
    {1525, kQuestion, kExit},       // 25
    {1526, kExcl, kProgramDl},      // 26
    {1527, kExcl, kProgramDl},      // 27
    {1528, kExcl, kCaller},         // 28
    {1532, kExcl, kBaudRate},       // 29
    {1533, kExcl, kBaudRate},       // 30
    {1536, kExcl, kInsertRow},      // 31
    {1537, kExcl, kInformation},    // 32
    {1538, kInfo, kSlotNo},         // 33
    {1540, kExcl, kUploadProgram},  // 34
    {1541, kExcl, kUploadProgram},  // 35
    {1542, kExcl, kUploadProgram},  // 36
    {1543, kInfo, kProgramDl},      // 37
    {1544, kInfo, kProgramDl},      // 38
    {1545, kInfo, kProgramDl},      // 39
    {1546, kExcl, kProgramDl},      // 40
    {1547, kExcl, kCaller},         // 41
    {1548, kExcl, kCaller},         // 42
    {1535, kExcl, kCaller},         // 43
    {1549, kExcl, kCaller},         // 44
    {1550, kQuestion, kCaller},     // 45
    {1530, kInfo, kCaller},         // 46
    {1560, kInfo, kCaller},         // 47
    {1561, kExcl, kCaller},         // 48
    {1562, kInfo, kCaller},         // 49
    {1563, kExcl, kCaller},         // 50
    {1564, kExcl, kCaller},         // 51
    {1565, kQuestion, kCaller},     // 52
    {1570, kExcl, kCaller},         // 53
    {1571, kExcl, kCaller},         // 54
    {1572, kExcl, kCaller},         // 55
    {1573, kExcl, kCaller},         // 56
}};

}  // namespace

const std::array<MessageEntry, kLastMessage>& MessageTable() {
    return kTable;
}

MessageBoxRequest BuildMessageBox(int messageNumber, MsgButtons buttons, const std::string& callerTitle) {
    MessageBoxRequest box;
    box.buttons = buttons;
    if (messageNumber < kFirstMessage || messageNumber > kLastMessage) return box;
    const MessageEntry& entry = kTable[static_cast<std::size_t>(messageNumber - 1)];
    box.text = Catalogue(entry.textNumber);
    box.title = entry.titleText == kCaller ? callerTitle : Catalogue(entry.titleText);
    box.icon = entry.icon;
    return box;
}

MsgAnswer ShowMessage(const Services& hosts, int messageNumber, MsgButtons buttons,
                const std::string& callerTitle) {
    return ShowMsgBoxWithDetail(hosts, messageNumber, buttons, callerTitle, {});
}

MsgAnswer ShowMsgBoxWithDetail(const Services& hosts, int messageNumber, MsgButtons buttons,
                         const std::string& callerTitle, const std::string& detail) {
    if (hosts.messages == nullptr) return MsgAnswer::None;
    MessageBoxRequest box = BuildMessageBox(messageNumber, buttons, callerTitle);
    if (!detail.empty()) box.text += "\r\n\r\n" + detail;
    return ShowAlert(hosts, box);
}

MsgAnswer ShowAlert(const Services& hosts, const MessageBoxRequest& box) {
    MessageBoxHost* host = hosts.messages;
    if (host == nullptr) return MsgAnswer::None;
    host->Beep();
    return host->Show(box);
}

void ShowRoutineError(const Services& hosts, const std::string& label,
                      const std::string& description) {
    MessageBoxHost* host = hosts.messages;
    if (host == nullptr) return;
    MessageBoxRequest box;
    box.text = label + "\r\n" + description;
    box.title = kAppTitle;
    box.buttons = MsgButtons::Ok;
    box.icon = MsgIcon::Critical;
    host->Show(box);
}

}  // namespace rq50::shell
