#pragma once

// A run over the slots of a rack interface (ZNC): scan what each slot holds,
// then upload, verify or download every instrument in one go. Each slot is
// its own line opening (the rack forgets its slot when the line closes); the
// slot question is answered by the run, the messages of a slot's failure are
// kept as that slot's outcome instead of being shown, and one slot's failure
// never stops the others. The run goes job by job through the engine's
// hand-backs, so a window stays live while it runs and rq50-cli drives it
// with RunCommJob.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "register/PlantRegister.h"
#include "session/SafeDownload.h"
#include "session/Vocabulary.h"

namespace rq50::session {

struct Workspace;

enum class SlotState { kNotScanned, kEmpty, kInstrument, kNoAnswer, kError };
/// "not-scanned", "empty", "instrument", "no-answer", "error".
std::string SlotStateName(SlotState state);

enum class RackAction { kScan, kUpload, kVerify, kDownload };

/// What one slot held and what the run did with it.
struct SlotOutcome {
    int slot = 0;
    SlotState state = SlotState::kNotScanned;
    std::string model;
    std::string tag;  ///< empty where the model has no TAG NO item
    /// The run's part: "" (scan only), "uploaded", "matches", "differs",
    /// "downloaded", "failed", "skipped".
    std::string result;
    std::string detail;  ///< a file written or compared, the differences, the reason of a failure
};

struct RackOptions {
    RackAction action = RackAction::kScan;
    std::vector<int> askedSlots;  ///< 1-16; empty for all 16
    /// Upload: the folder the files go to. Verify: the folder of files to
    /// compare with (empty: the register's last good records). Download: the
    /// folder of files to download ("S03_....7pa" names slot 3).
    std::string folder;
    /// Upload: a slot's file that exists is replaced (--force); without it
    /// the slot is reported "kept: file exists" and the file stays.
    bool replace = false;
    /// Verify without a folder, and recording of the run's transfers.
    plant::PlantRegister* reg = nullptr;
    /// Download: asked once per slot with the preview of its changes; true
    /// to download. Null: downloads without asking.
    std::function<bool(const SlotOutcome& slot, const DownloadPreview& preview)> confirm;
    /// Each slot's outcome as soon as it is known.
    std::function<void(const SlotOutcome&)> onSlot;
    /// The end of the run, with every slot asked for.
    std::function<void(const std::vector<SlotOutcome>&, bool direct)> onEnd;
};

/// "S03_RQB2_FIC-101.7pa": the name a rack upload gives a slot's file.
std::string RackFileName(int slot, const std::string& model, const std::string& tag);
/// The slot a rack file's name starts with ("S03_" or "s3_"), 0 for none.
int SlotOfRackFile(const std::string& fileName);
/// The rack files of a folder ("Snn_....7pa"), by slot, and what is wrong
/// with the folder's names: a file for a slot outside 1-16, two files for
/// one slot (that slot is skipped, as no one can tell which is meant).
struct RackFiles {
    std::map<int, std::vector<std::string>> bySlot;  ///< paths, sorted
    std::vector<std::string> problems;               ///< one sentence each
    /// The one file of `slot`; empty when there is none or more than one.
    std::string FileFor(int slot) const;
};
RackFiles FindRackFiles(const std::string& folder);

/// "--slots 1-4,7": the slots named, or nothing when the text is not a list
/// of slots 1-16.
std::optional<std::vector<int>> ParseSlotList(const std::string& text);
/// "done 3, differs 1, failed 0, empty 12", and ", not reached 4" after a
/// stop.
std::string RackSummary(const std::vector<SlotOutcome>& outcome);

class RackRun {
  public:
    /// Starts the run; nothing when a job runs already.
    static std::shared_ptr<RackRun> Start(Workspace& ws, RackOptions options);
    virtual ~RackRun() = default;
    /// Stops after the exchange on the line: the slots not reached stay
    /// not scanned, what was found is kept.
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    virtual const std::vector<SlotOutcome>& Slots() const = 0;
};

}  // namespace rq50::session
