#pragma once

// What the information window does besides editing the record: where OK and
// Cancel lead for each reason it was opened, what closing it does, the order
// Enter walks the boxes in, and which typed keys still fit a box.

#include <string_view>

namespace rq50::files {

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

/// The navigation of one InfoPurpose: the event codes OK and Cancel hand to
/// the navigation (0: none) and what closing does.
struct InfoPurposeRule {
    int okEvent = 0;
    int cancelEvent = 0;
    InfoClose onClose = InfoClose::Nothing;
};

/// The rule of `purpose` (0-10); an unknown purpose navigates nowhere and
/// closes without writing.
InfoPurposeRule InfoPurposeFor(int purpose);

/// The box Enter moves to from `box`: 0, 1, 2, 3, 4, 5, 8, 6, 7, and from
/// the last back to the first. The comment box (7) keeps Enter for its line
/// breaks; it returns 7.
int NextInfoBox(int box);

/// Whether a typed key (`typed`, UTF-8) still fits box `box` whose text is
/// `text` with `selected` of it selected (the key replaces the selection),
/// counted in single-byte units.
bool InfoKeyFits(int box, std::string_view text, std::string_view selected, std::string_view typed);

}  // namespace rq50::files
