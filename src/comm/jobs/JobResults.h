#pragma once

// What the jobs consult and what they leave for the screens; every engine
// keeps its own.

#include "comm/jobs/TransferRules.h"
#include "files/DataSet.h"
#include "parameter/ItemBlock.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rq50::comm::jobs {

/// One row of Baudrate.ini as the rate change uses it.
struct BaudRateRow {
    std::string pattern;
    int ma = 0;
    int mb = 0;
    int mc = 0;
    std::string prefix;
    std::string code9600;
    std::string code1200;
};

/// Tables the jobs consult. The program installs readers of V3Model.ini,
/// Category.ini and Baudrate.ini; tests install their own.
struct JobTables {
    std::function<bool(const std::string& model)> isV3Model;
    std::function<CategoryAreas(const std::string& model)> findCategory;
    std::function<std::optional<BaudRateRow>(const std::string& model)> findBaudRate;
};

/// One item a download wrote and the instrument answered: its index in the
/// data set (or the program's records) and the instrument's answer to the
/// write, as an item block (what the instrument holds now).
struct WrittenItem {
    std::size_t index = 0;
    parameter::ItemBlock readBack{};
};

/// State the jobs leave for the screens.
struct JobResults {
    /// Name lists of the four categories from the last upload.
    std::array<std::vector<std::string>, 4> categoryNames;
    /// Items whose read-back differed in the last download.
    std::vector<DownloadCheckEntry> downloadCheck;
    /// Jobs 2 and 16: items written and answered so far.
    int itemsWritten = 0;
    /// Jobs 2 and 16: those items with the instrument's answers, in order.
    std::vector<WrittenItem> written;
    /// Program jobs: the area the instrument refused (RefusedArea).
    CommErrorCode refusedArea = kRefusedNone;
    /// Job 20: the row of the connected model; job 21 writes through it.
    std::optional<BaudRateRow> baudRow;
    /// Jobs 2 and 16: model text the instrument reported, as received.
    std::string instrumentModel;
    /// Job 23: model text of the module in the selected slot.
    std::string slotModel;
    /// The rate the instrument ran at before the baud-rate dialog changed it.
    int previousInstrumentSpeed = 1200;
    /// Header of the connected instrument as the page jobs learnt it; the
    /// data set's header is not touched by them.
    files::DataSetHeader onlineHeader;
};

}  // namespace rq50::comm::jobs
