#pragma once

#include <deque>
#include <string>
#include <vector>

#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::shell::testing {

/// Records every box and answers from a script (OK when the script is empty).
class RecordingMessages : public MessageBoxHost {
  public:
    void Beep() override { ++beeps; }
    MsgAnswer Show(const MessageBoxRequest& box) override {
        boxes.push_back(box);
        beepsBeforeBox.push_back(beeps);
        if (answers.empty()) return MsgAnswer::Ok;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<MessageBoxRequest> boxes;
    std::vector<int> beepsBeforeBox;
    std::deque<MsgAnswer> answers;
    int beeps = 0;
};

/// Records every navigation call as one text ("show frmRQ2100", "open", ...).
class RecordingNavigation : public NavigationHost {
  public:
    void ShowScreen(Screen s) override { calls.push_back(std::string("show ") + ScreenName(s)); }
    void ShowScreenAndWait(Screen s) override {
        calls.push_back(std::string("modal ") + ScreenName(s));
    }
    void EnableScreen(Screen s) override {
        calls.push_back(std::string("enable ") + ScreenName(s));
    }
    void DisableScreen(Screen s) override {
        calls.push_back(std::string("disable ") + ScreenName(s));
    }
    void UnloadScreen(Screen s) override {
        calls.push_back(std::string("unload ") + ScreenName(s));
    }
    int RunOpenDialog() override {
        calls.push_back("open");
        return openResult;
    }
    int RunSaveDialog() override {
        calls.push_back("save");
        return saveResult;
    }
    int RunCsvDialog() override {
        calls.push_back("csv");
        return csvResult;
    }
    void PrintReport() override {
        const bool fromDialog = ws != nullptr && ws->state.printingFromPrintDialog;
        calls.push_back(fromDialog ? "print (from dialog)" : "print");
    }
    void PrintErrorList() override { calls.push_back("print errors"); }
    void SetMainCaption(const std::string& caption) override { this->caption = caption; }
    void SetPasswordMenu(bool setEnabled, bool changeEnabled) override {
        passwordMenu = {setEnabled, changeEnabled};
    }

    std::vector<std::string> calls;
    int openResult = -1;
    int saveResult = -1;
    int csvResult = -1;
    std::string caption;
    std::vector<bool> passwordMenu;
    /// The workspace whose state the print tells apart (from the dialog or not).
    const files::Workspace* ws = nullptr;
};

/// A fresh workspace whose hosts are recording fakes.
class ServicesScope {
  public:
    ServicesScope() {
        ws.hosts.messages = &messages;
        ws.hosts.navigation = &navigation;
        ws.hosts.clock = &clock;
        navigation.ws = &ws;
    }
    ServicesScope(const ServicesScope&) = delete;
    ServicesScope& operator=(const ServicesScope&) = delete;

    RecordingMessages messages;
    RecordingNavigation navigation;
    VirtualClock clock;
    files::Workspace ws;
};

}  // namespace rq50::shell::testing
