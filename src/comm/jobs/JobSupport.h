#pragma once

// Small pieces every transaction uses: the response checks, the response as
// an item block, the slot write.

#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "comm/SerialPort.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/Jobs.h"
#include "files/DataSet.h"
#include "parameter/ItemBlock.h"

#include <functional>
#include <optional>
#include <string>

namespace rq50::comm::jobs {

/// The step whose response the parser is handling, or -1 when the engine
/// calls the parser on its way to the finishing step.
int AnsweredStep(EngineCore& e);

/// CheckRespStatus and CheckSlotZero, as every parser line begins.
bool Checks(EngineCore& e, int flag = 0);

/// The last response as an item block: from its byte 4 up to, not including,
/// its checksum.
parameter::ItemBlock ResponseBlock(EngineCore& e);
/// The last response decoded.
parameter::DecodedItem ResponseItem(EngineCore& e);

/// Checks of the program jobs outside their area requests: there the engine
/// keeps an address error pending while the job goes on, which would only
/// repeat the request; an address error ends the job instead.
bool ProgramChecks(EngineCore& e);

/// Trimmed, upper-case name of the last response.
std::string ResponseNameKey(EngineCore& e);
/// The group names that uploads and pages pass over.
bool IsProgramOrConst(const std::string& nameKey);

/// Step 2 of the connect sequence: writes the slot to the rack interface.
void BuildSlotWrite(EngineCore& e, int slot);

/// The write step of a download: each item a selection finds from the
/// position on is written (its data text, or none for a selection, whose
/// choice travels in MC), and its read-back is checked against the item.
class ItemWrites {
  public:
    using Select = std::function<std::optional<WriteItem>(std::size_t from)>;
    explicit ItemWrites(EngineCore& engine) : e(engine) {}
    void Restart();
    /// Builds the write of the next item; false when the selection finds none.
    bool Send(const Select& select);
    /// The answer to the write: a difference from the item in `items` goes to
    /// the download check list, and the position moves past the item.
    void Check(const parameter::ItemArray& items);
    /// The answer to the write did not pass the checks: the item was not
    /// taken.
    void Refused() { m_course.Refused(); }
    std::size_t Position() const { return m_position; }
    /// After the download ended with an error: how far it came (WriteProgress).
    std::string ReportStop(const parameter::ItemArray& items, const Select& select,
                           std::vector<DownloadCheckEntry>& list) const {
        return m_course.ReportStop(items, select, list);
    }

  private:
    EngineCore& e;
    std::size_t m_position = 0;
    std::optional<WriteItem> m_item;
    WriteProgress m_course;
};

/// First MA of a category (0 DISPLAY .. 3 MAINT) in `header`, and the first
/// MA 82h reaches after the category's last group: SET after DISPLAY, ADJUST
/// after SET; ADJUST and MAINT wrap around to DISPLAY.
int CategoryStartOf(const files::DataSetHeader& header, int category);
int NextCategoryStartOf(const files::DataSetHeader& header, int category);

/// Text of the status bar while a group is passed over.
std::string SkippingText(const std::string& nameKey);

}  // namespace rq50::comm::jobs
