#pragma once

// A download that stops half way (an item the instrument will not take, a
// lost line) leaves the instrument partly written. These rules say how far it
// came: which items the download check list names as not written, and the
// lines added to the message that ends the download.

#include "comm/jobs/TransferRules.h"
#include "parameter/ItemBlock.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rq50::comm::jobs {

/// The course of a download's writes, kept by the job as they go.
class WriteProgress {
  public:
    void Reset() { *this = {}; }
    /// A write of `item` was sent.
    void Sent(const WriteItem& item) {
        m_current = item.index;
        m_answered = false;
    }
    /// The instrument answered the write with the item (it took it).
    void Taken() {
        if (!m_current) return;
        ++m_written;
        m_lastWritten = m_current;
        m_current.reset();
    }
    /// The instrument answered the write but not with the item (a status
    /// error, a rack that lost its slot): it did not take it.
    void Refused() { m_answered = true; }

    /// The item whose write was sent and not taken, if any.
    std::optional<std::size_t> Current() const { return m_current; }

    /// The next item the download selects at or after an index.
    using NextItem = std::function<std::optional<WriteItem>(std::size_t from)>;

    /// After a download ended with an error while writing: appends to `list`
    /// an entry for the item being written, if one was out (not written when
    /// the instrument refused it, unanswered when no answer came), and a
    /// not-written entry for every item the download would have written
    /// after it or after the last item written. Returns the lines that tell
    /// how far the download came; empty when it had not begun writing, or
    /// had written everything.
    std::string ReportStop(const parameter::ItemArray& items, const NextItem& next,
                           std::vector<DownloadCheckEntry>& list) const;

  private:
    int m_written = 0;
    std::optional<std::size_t> m_lastWritten;
    std::optional<std::size_t> m_current;
    bool m_answered = false;
};

/// The text of the column "Data that has been set" of a check-list entry: the
/// data and auxiliary text read back, or what became of an item not written.
std::string CheckEntrySetText(const DownloadCheckEntry& entry);

}  // namespace rq50::comm::jobs
