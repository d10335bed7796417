#pragma once

#include <QWidget>

#include <functional>

#include "shell/NavigationHost.h"

namespace rq50::gui {

class ScreenBase;

/// How the navigation makes a screen: a sub-window screen is created by
/// `make`; a modal one (version window, SLOT No. dialog) is run by `runModal`
/// and has returned when the user closed it.
struct ScreenMaker {
    std::function<ScreenBase*()> make;
    std::function<void(QWidget* parent)> runModal;
};

void RegisterScreen(shell::Screen screen, std::function<ScreenBase*()> make);
void RegisterModalScreen(shell::Screen screen, std::function<void(QWidget* parent)> run);
/// nullptr when no screen of that name is built into the program.
const ScreenMaker* FindScreenMaker(shell::Screen screen);

/// Registers every screen of the program (Screens.cpp lists them).
void RegisterAllScreens();

}  // namespace rq50::gui
