#pragma once

#include "program/CellGrid.h"

#include <array>
#include <functional>
#include <string>

namespace rq50::program {

/// Writes every cell of a grid (headings included) to a snapshot file.
bool SaveGridFile(const std::string& path, const CellGrid& grid);
/// Reads a snapshot file back; the grid is left unchanged when it fails.
bool LoadGridFile(const std::string& path, CellGrid& grid);

/// The editor's undo history: a ring of 201 slots, each a pair of snapshot
/// files (PROGRAM grid, CONST grid) in the undo folder. At most 200 changes can
/// be undone; older states are dropped silently, and the folder never holds
/// more than 201 pairs.
class UndoRing {
  public:
    static constexpr int kSlots = 201;

    /// `folder` is the undo folder (empty: no snapshots are kept, as for a
    /// headless check); `timeOfDay` gives the "hhmmss_" part of the
    /// file names (the local time of day when not given).
    explicit UndoRing(std::string folder, std::function<std::string()> timeOfDay = {});

    /// Deletes every file in the undo folder (creating the folder if needed).
    void ClearFolder();

    /// Empties the folder and the ring and takes the base snapshot into slot 0.
    /// "Undo" is disabled afterwards.
    bool TakeBase(const CellGrid& program, const CellGrid& consts);

    /// Adds one state after a change. "Undo" is enabled when the CONST grid was
    /// saved.
    bool TakeSnapshot(const CellGrid& program, const CellGrid& consts);

    /// Brings back the state before the last change; false when there is none.
    bool Undo(CellGrid& program, CellGrid& consts);

    bool UndoEnabled() const { return m_undoEnabled; }
    int SnapshotCount() const { return m_count; }

  private:
    bool SaveSlot(int slot, const std::string& tag, const CellGrid& program,
                  const CellGrid& consts);
    void DeleteSlotFiles(int slot);
    std::string PathOf(const std::string& name) const;

    std::string m_folder;
    std::function<std::string()> m_timeOfDay;
    std::array<std::string, kSlots> m_programNames;
    std::array<std::string, kSlots> m_constNames;
    int m_current = 0;
    int m_oldest = 0;
    int m_count = 0;
    int m_serial = 0;
    bool m_undoEnabled = false;
};

}  // namespace rq50::program
