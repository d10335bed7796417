#pragma once

// The Qt implementations of the core's host interfaces that are not screens:
// message boxes, the clock, the utility component, the settings store and
// the file dialog widget.

#include <QElapsedTimer>
#include <QSettings>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "session/FileDialog.h"
#include "shell/Clock.h"
#include "shell/FileSystemUtility.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SettingsStore.h"

namespace rq50::gui {

/// Catalogue and item texts are 8-bit; they become Latin-1 on screen.
QString Text(const std::string& bytes);
QString CatalogueText(int number);
/// A screen text back to the core's 8-bit form (characters beyond Latin-1
/// become '?', which every name and value rule refuses).
std::string Bytes(const QString& text);
/// Paths and file names stay native from end to end (UTF-8 in the core, as
/// the file system has them); only the instrument's texts are single-byte.
QString PathText(const std::string& path);
std::string PathBytes(const QString& path);

/// Beeps and shows `box` through the session's message host (nothing without
/// one): a refusal or a failure the user is to notice.
using shell::ShowAlert;

/// Message boxes as QMessageBox: the icon, the button set, the answer code.
class QtMessageBoxHost : public shell::MessageBoxHost {
  public:
    void Beep() override;
    shell::MsgAnswer Show(const shell::MessageBoxRequest& box) override;
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
};

/// Monotonic time of the process; Wait keeps the window events running in a
/// nested event loop, so timers and repaints go on while a step waits.
class GuiClock : public shell::Clock {
  public:
    GuiClock();
    std::int64_t NowMs() const override;
    void Wait(std::int32_t ms) override;

  private:
    QElapsedTimer m_timer;
};

/// The utility component: the file system of the core, the GUI's wait and
/// the mouse pointer.
class GuiUtility : public shell::FileSystemUtility {
  public:
    explicit GuiUtility(shell::Clock& clock) : FileSystemUtility(&clock) {}
    void SetCursorPosition(std::int32_t x, std::int32_t y) override;
};

/// The settings store: group "Settings" of the INI file `iniFile`.
class QtSettingsStore : public shell::SettingsStore {
  public:
    explicit QtSettingsStore(const QString& iniFile);
    std::optional<std::string> Get(const std::string& key) const override;
    void Set(const std::string& key, const std::string& value) override;

  private:
    std::unique_ptr<QSettings> m_settings;
};

/// The common file dialog as QFileDialog; its refusals (a read-only file, a
/// missing folder) are said through the session's message host.
class QtFileDialogHost : public session::FileDialogHost {
  public:
    explicit QtFileDialogHost(const shell::Services& hosts) : m_hosts(hosts) {}
    std::optional<session::DialogChoice> Show(const session::FileDialogSpec& dialog) override;

  private:
    const shell::Services& m_hosts;
};

}  // namespace rq50::gui
