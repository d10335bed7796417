#pragma once

// What the information window does besides editing the record: where OK and
// Cancel lead for each reason it was opened, what closing it does, the order
// Enter walks the boxes in, and which typed keys still fit a box.

#include <string_view>

#include "files/InformationRecord.h"
#include "session/Vocabulary.h"
#include "shell/NavigationEvents.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// What closing the information window does.
enum class InfoClose {
    Nothing,
    Save,                     ///< write the file
    SaveUnloadDataView,       ///< write, then close the data view
    SaveUnloadEditorIfSaved,  ///< write; close the program editor when that worked
    SaveThenAskQuit,          ///< write, then "Is it OK to quit the system RQ50?"
    EnableEditor,             ///< give the program editor back
    EnableDataView,           ///< give the data view back
};

/// The navigation of one InfoPurpose: the events OK and Cancel hand to the
/// navigation (kNone: none) and what closing does.
struct InfoPurposeRule {
    shell::NavEvent okEvent = shell::NavEvent::kNone;
    shell::NavEvent cancelEvent = shell::NavEvent::kNone;
    InfoClose onClose = InfoClose::Nothing;
};

/// The rule of `purpose` (0-10); an unknown purpose navigates nowhere and
/// closes without writing.
InfoPurposeRule InfoPurposeFor(shell::InfoPurpose purpose);

/// Writes the data held (the parameter file in parameter mode, the program
/// file in program mode) to the file the last save dialog chose. A program
/// that was written is no longer changed. False when the write failed (the
/// writer has shown why).
bool SaveToTarget(files::Workspace& ws);

/// The information window opened for `purpose` is closing (OK and Cancel
/// have navigated already): it is unloaded, the file is written when the
/// purpose saves, and the user gets a screen to work on. When a save fails,
/// the screen whose data it was stays and is given back, so nothing unsaved
/// is closed: the data view leaves only once its data is written, the
/// program editor goes back through the navigation (event 403) to the
/// program menu, and a save before quitting asks the quit question only
/// when it wrote the file, giving back the screen the exit came from when
/// the user stays.
void InformationWindowClosed(files::Workspace& ws, shell::InfoPurpose purpose);

/// The box Enter moves to from `box`: 1, 3, 4, 5, 8, 7. The captions (0, 2,
/// 6) are read-only labels and take no part; each leads to the box it names.
/// The comment box (7) keeps Enter for its line breaks; it returns 7.
files::InfoBox NextInfoBox(files::InfoBox box);

/// Whether a typed key (`typed`, UTF-8) still fits box `box` whose text is
/// `text` with `selected` of it selected (the key replaces the selection),
/// counted in single-byte units.
bool InfoKeyFits(files::InfoBox box, std::string_view text, std::string_view selected, std::string_view typed);

}  // namespace rq50::session
