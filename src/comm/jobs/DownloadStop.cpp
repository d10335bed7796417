#include "comm/jobs/DownloadStop.h"

#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::comm::jobs {

namespace {

/// `text` with "%1" replaced by `first` and "%2" by `second`.
std::string Fill(std::string text, const std::string& first, const std::string& second = {}) {
    for (const auto& [mark, value] : {std::pair{"%1", first}, std::pair{"%2", second}}) {
        if (auto at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    }
    return text;
}

/// "C03 SCALE HI": the item as the check list and the parameter screen name it.
std::string Describe(const parameter::ItemBlock& block) {
    const parameter::DecodedItem item = parameter::DecodeItem(block, false);
    return shell::Trim(parameter::FormatAddress(item.ma, item.mb)) + " " + shell::Trim(item.name);
}

DownloadCheckEntry EntryOf(const parameter::ItemBlock& block, std::size_t index,
                           CheckReason reason) {
    const parameter::DecodedItem item = parameter::DecodeItem(block, false);
    DownloadCheckEntry entry;
    entry.ma = item.ma;
    entry.mb = item.mb;
    entry.sentName = item.name;
    entry.sentData = item.data;
    entry.sentAux = item.aux;
    entry.index = static_cast<int>(index);
    entry.reason = reason;
    return entry;
}

}  // namespace

std::string WriteProgress::ReportStop(const parameter::ItemArray& items, const NextItem& next,
                                      std::vector<DownloadCheckEntry>& list) const {
    // Stopped while a write was out (refused or unanswered), or between two
    // writes ("Terminate", a lost line): the items after that point were not
    // written.
    const bool writing = m_current && *m_current < items.size();
    std::size_t from = 0;
    if (writing) {
        from = *m_current + 1;
    } else if (m_lastWritten && *m_lastWritten < items.size()) {
        from = *m_lastWritten + 1;
    } else {
        return {};
    }
    std::optional<std::size_t> firstNotWritten;
    int notWritten = 0;
    if (writing) {
        const std::size_t stopped = *m_current;
        list.push_back(EntryOf(items[stopped], stopped,
                               m_answered ? CheckReason::NotWritten : CheckReason::Unanswered));
        // The item whose write went unanswered may have been taken: it is
        // named on its own, and the count of items not written starts after it.
        if (m_answered) {
            firstNotWritten = stopped;
            notWritten = 1;
        }
    }
    for (auto item = next(from); item && item->index < items.size();
         item = next(item->index + 1)) {
        list.push_back(EntryOf(items[item->index], item->index, CheckReason::NotWritten));
        if (!firstNotWritten) firstNotWritten = item->index;
        ++notWritten;
    }
    if (!writing && !firstNotWritten) return {};  // everything was written

    std::string lines = Fill(shell::Catalogue(kTextItemsWritten), std::to_string(m_written));
    if (m_lastWritten && *m_lastWritten < items.size()) {
        lines += "\r\n" + Fill(shell::Catalogue(kTextLastWritten), Describe(items[*m_lastWritten]));
    }
    if (writing && !m_answered) {
        lines += "\r\n" + Fill(shell::Catalogue(kTextUnanswered), Describe(items[*m_current]));
    }
    if (firstNotWritten) {
        lines += "\r\n" + Fill(shell::Catalogue(kTextItemsNotWritten), std::to_string(notWritten),
                               Describe(items[*firstNotWritten]));
    }
    return lines;
}

std::string CheckEntrySetText(const DownloadCheckEntry& entry) {
    switch (entry.reason) {
        case CheckReason::NotWritten:
            return shell::Catalogue(kTextNotWrittenMark);
        case CheckReason::Unanswered:
            return shell::Catalogue(kTextUnansweredMark);
        case CheckReason::ReadBackDiffers:
            break;
    }
    return shell::Trim(entry.setData) + shell::Trim(entry.setAux);
}

}  // namespace rq50::comm::jobs
