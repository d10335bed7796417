#include "shell/NavigationHost.h"

namespace rq50::shell {

const char* ScreenName(Screen screen) {
    switch (screen) {
        case Screen::Version:
            return "frmRQ0200";
        case Screen::TopMenu:
            return "frmRQ2000";
        case Screen::SettingMenu:
            return "frmRQ2100";
        case Screen::CategoryMenu:
            return "frmRQ2200";
        case Screen::OnlineParameter:
            return "frmRQ2300";
        case Screen::DataView:
            return "frmRQ2400";
        case Screen::ContentList:
            return "frmRQ2500";
        case Screen::Information:
            return "frmRQ2600";
        case Screen::DownloadCheck:
            return "frmRQ2700";
        case Screen::PrintDialog:
            return "frmRQ2800";
        case Screen::PrintPreview:
            return "frmRQ2900";
        case Screen::ProgramEditor:
            return "frmRQ3000";
        case Screen::ErrorList:
            return "frmRQ3100";
        case Screen::Communicating:
            return "frmRQ4000";
        case Screen::SlotNumber:
            return "frmRQ4100";
        case Screen::BaudRate:
            return "frmRQ4200";
    }
    return "";
}

}  // namespace rq50::shell
