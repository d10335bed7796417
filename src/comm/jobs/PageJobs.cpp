// The jobs of the online parameter screen: a category's page (4-7, 10-13),
// moving the page (8, 9), periodic reading (14), reading an item for
// editing (17), writing it (18) and cancelling a forced output (19). All of
// them run on the port that job 3 left open and leave it open.

#include "comm/CommPort.h"
#include "comm/jobs/JobSupport.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"

#include <algorithm>
#include <array>

namespace rq50::comm::jobs {

namespace {

using parameter::ItemAddress;
using parameter::PageModel;

constexpr int kTextCategoryTitle = 2201;
constexpr int kMaxChoices = 64;

/// Item names whose change alters other items of the page: after writing one
/// of them the item and the page are read again.
constexpr std::array<const char*, 9> kReReadNames = {"INP TYPE", "SENSOR TYPE", "UNIT",
                                                     "RTD TYPE", "TC TYPE",     "OUT1UNIT",
                                                     "OUT2UNIT", "OUT2TYPE",    "PRGM SELECT"};

bool NeedsPageReRead(const std::string& nameKey) {
    return std::find(kReReadNames.begin(), kReReadNames.end(), nameKey) != kReReadNames.end();
}

/// The codes whose message the jobs on an open page (8, 9, 14, 17-19) show.
/// They run on the line the page was opened on, without the progress dialog
/// and its Terminate button and without the SLOT No. dialog, so an ending as
/// terminated is the screen's own doing and needs no message.
bool ShownOnOpenPage(int code) {
    return code == kErrNoResponse || code == kErrAddress || code == kErrCommand ||
           code == kErrSlotZero;
}

/// The finishing message of an online job, by error code, with `title` as
/// the title when one is given; after a time-out the port is reopened at
/// `CommSpeed`. `everyCode` false keeps to the codes of ShownOnOpenPage.
void ShowOnlineError(SerialPort& port, const std::string& title, bool everyCode) {
    const std::string saved = CommTitle;
    if (!title.empty()) CommTitle = title;
    if (everyCode || ShownOnOpenPage(CommError)) ShowCommErrorMessage(CommError);
    CommTitle = saved;
    if (CommError == kErrNoResponse) {
        CommSettings.speed = CommSpeed;
        if (port.IsOpen()) {
            if (CloseCommPort(port) != 0) ShowQuillError();
            if (OpenCommPort(port) != 0) ShowQuillError();
        }
    }
}

/// The page jobs (4-7, 10-13) show every code's message with their category
/// name as title: their connect can end as terminated by a cancelled SLOT No.
/// dialog.
void ShowPageJobError(SerialPort& port, const std::string& categoryTitle) {
    ShowOnlineError(port, categoryTitle, true);
}

/// The jobs on an open page (8, 9, 14, 17-19).
void ShowOpenPageError(SerialPort& port) {
    ShowOnlineError(port, {}, false);
}

/// Step 0 of every online job: the page window is kept aside and the screen
/// waits; the port is opened unless job 3 left it open.
void BeginOnlineJob(SerialPort& port) {
    Results().requests = 0;
    if (PageModel* page = OnlinePage()) {
        page->SavePageWindow();
        page->SetAllEnabled(false);
    }
    BeginJob(port);
}

void CountRequest() {
    ++Results().requests;
}

// ======================================================= jobs 4-7 and 10-13

class CategoryPageJob {
  public:
    enum Step : int {
        kDisplayStart = 4,
        kSetStart = 5,
        kAdjustStart = 6,
        kCategoryHead = 7,
        kFirstItem = 8,
        kNextItem = 9,
        kNextGroup = 10,
        kMaintAdjust = 11,
        kMaintCommand10 = 12,
        kMaintItem82 = 13,
    };

    explicit CategoryPageJob(int jobBase) : m_jobBase(jobBase) {}

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                m_category = CommJob - m_jobBase;
                m_wantedTab = OnlinePage() ? OnlinePage()->CurrentTab() : 1;
                m_header = {};
                m_names.clear();
                m_groupCounter = 0;
                m_items.clear();
                m_firstKnown = false;
                m_lastKnown = false;
                m_maintEntries = 0;
                BeginOnlineJob(port);
                return;
            case kStepFirstItem:
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                ReqNextMB(0, 0);
                break;
            case kDisplayStart:
                ReqItem(26, 0, 0);
                break;
            case kSetStart:
                ReqItem(25, 0, 0);
                break;
            case kAdjustStart:
                ReqItem(24, 0, 0);
                break;
            case kCategoryHead:
                m_groups = 1;
                m_cur = {CategoryStart(), 0, 0};
                ReqItem(m_cur.ma, 0, 0);
                break;
            case kFirstItem:
            case kNextItem:
                ReqNextMB(m_cur.ma, m_cur.mb);
                break;
            case kNextGroup:
                ReqItem82(m_cur.ma);
                break;
            case kMaintAdjust:
                ReqItem(m_header.adjustStart, 0, 0);
                break;
            case kMaintCommand10:
                ReqCommand10(0, 0, 0);
                break;
            case kMaintItem82:
                ReqItem82(m_header.adjustStart);
                break;
            case kStepFinish:
                Finish(port);
                return;
            default:
                return;
        }
        CountRequest();
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0) return;
        if (step == kStepFirstItem) {
            if (!AcceptFirstItem()) return;
            m_header.model = RespData;
            CommStep = kDisplayStart;
            return;
        }
        if (!Checks()) return;
        switch (step) {
            case kStepModel:
                m_header.model = RespData;
                break;
            case kDisplayStart:
                m_header.displayStart = RespMA;
                break;
            case kSetStart:
                m_header.setStart = RespMA;
                break;
            case kAdjustStart:
                m_header.adjustStart = RespMA;
                if (m_category == 3) CommStep = kMaintAdjust;
                break;
            case kCategoryHead:
                m_ownStart = CategoryStart();
                m_nextStart = m_category == 0   ? m_header.setStart
                              : m_category == 1 ? m_header.adjustStart
                                                : m_header.displayStart;
                EnterGroup();
                break;
            case kFirstItem:
                ParseFirstItem();
                break;
            case kNextItem:
                ParseNextItem();
                break;
            case kNextGroup:
                m_cur = {RespMA, RespMB, RespMC};
                if (RespMA == m_ownStart || RespMA == m_nextStart) {
                    CommStep = kStepFinish;
                    return;
                }
                if (++m_groups > kMaxGroups) {
                    CommError = kErrAddress;
                    CommStep = kStepFinish;
                    return;
                }
                EnterGroup();
                CommStep = kFirstItem;
                break;
            case kMaintItem82:
                if (MaintEntryNeedsRepeat(m_maintEntries)) {
                    CommStep = kMaintAdjust;
                    break;
                }
                m_header.maintStart = RespMA;
                m_cur = {RespMA, RespMB, RespMC};
                CommStep = kCategoryHead;
                break;
            default:
                break;
        }
    }

  private:
    int CategoryStart() const {
        switch (m_category) {
            case 0:
                return m_header.displayStart;
            case 1:
                return m_header.setStart;
            case 2:
                return m_header.adjustStart;
            default:
                return m_header.maintStart;
        }
    }

    /// A group head: its name becomes a tab. PROGRAM and CONST groups are
    /// passed over and get no tab, so tab n is always the n-th group shown.
    void EnterGroup() {
        m_groupIsArea = IsProgramOrConst(ResponseNameKey());
        if (m_groupIsArea) return;
        ++m_groupCounter;
        m_names.push_back(TrimBlanks(RespName));
        if (PageModel* page = OnlinePage()) page->SetTabNames(m_names);
    }

    bool Wanted() const { return !m_groupIsArea && m_groupCounter == m_wantedTab; }

    void Offer() {
        if (!Wanted() || IsProgramOrConst(ResponseNameKey())) return;
        m_items.push_back(ResponseBlock());
    }

    void ParseFirstItem() {
        const int asked = m_cur.mb;
        m_cur = {RespMA, RespMB, RespMC};
        m_firstMb = RespMB;
        m_groupItems = 1;
        if (Wanted()) {
            m_first = m_cur;
            m_firstKnown = true;
        }
        if (!Wanted() || RespMB == asked) {
            CommStep = kNextGroup;
            return;
        }
        Offer();
        CommStep = m_items.size() < parameter::kPageRows ? kNextItem : kNextGroup;
    }

    void ParseNextItem() {
        // The instrument wraps to the group's first item or keeps answering
        // the item asked from: either way the group has ended.
        if (RespMB == m_firstMb || RespMB == m_cur.mb) {
            m_last = m_cur;
            m_lastKnown = true;
            CommStep = kNextGroup;
            return;
        }
        if (++m_groupItems > kMaxItemsPerGroup) {
            CommError = kErrAddress;
            CommStep = kStepFinish;
            return;
        }
        m_cur = {RespMA, RespMB, RespMC};
        Host().ShowStatusText(SkippingText(ResponseNameKey()));
        Offer();
        CommStep = m_items.size() < parameter::kPageRows ? kNextItem : kNextGroup;
    }

    void Finish(SerialPort& port) {
        EndJobClosePort(port, true);
        Host().ShowStatusText({});
        PageModel* page = OnlinePage();
        if (CommError == kErrNone) {
            SetProgress(100);
            Results().onlineHeader = m_header;
            if (!page) return;
            page->SetGroupBounds(m_firstKnown ? m_first : ItemAddress{},
                                 m_lastKnown ? m_last : ItemAddress{}, m_lastKnown);
            page->ShowPage(m_items);
            page->OnPageJobSucceeded();
            return;
        }
        ShowPageJobError(port, shell::Catalogue(kTextCategoryTitle + m_category));
        if (page) page->OnPageJobFailed(false);
    }

    int m_jobBase;
    int m_category = 0;
    int m_wantedTab = 1;
    files::DataSetHeader m_header;
    std::vector<std::string> m_names;
    int m_groupCounter = 0;
    bool m_groupIsArea = false;
    parameter::ItemArray m_items;
    ItemAddress m_cur;
    ItemAddress m_first;
    ItemAddress m_last;
    bool m_firstKnown = false;
    bool m_lastKnown = false;
    int m_ownStart = 0;
    int m_nextStart = 0;
    int m_firstMb = 0;
    int m_groupItems = 0;
    int m_groups = 0;
    int m_maintEntries = 0;
};

// ====================================================== jobs 8 and 9: moving

class MoveJob {
  public:
    explicit MoveJob(bool forward) : m_forward(forward) {}

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        if (step == 0) {
            m_received.clear();
            PageModel* page = OnlinePage();
            m_cur = page ? page->Anchor() : ItemAddress{};
            m_wanted = page ? page->Step() : 0;
            m_groupFirstMb = page ? page->Window().categoryFirst.mb : 0;
            BeginOnlineJob(port);
            return;
        }
        if (step == kStepFinish) {
            Finish(port);
            return;
        }
        if (step != 1) return;
        if (m_forward) {
            ReqNextMB(m_cur.ma, m_cur.mb);
        } else {
            ReqPrevMB(m_cur.ma, m_cur.mb);
        }
        CountRequest();
    }

    void Parse() {
        if (AnsweredStep() != 1 || !Checks()) return;
        PageModel* page = OnlinePage();
        const bool stayed = RespMB == m_cur.mb || RespMA != m_cur.ma;
        const bool wrapped =
            m_forward ? (RespMB == m_groupFirstMb || RespMB < m_cur.mb) : (RespMB > m_cur.mb);
        if (stayed || wrapped || RespMB == 0) {
            // The group ends here: in that direction there is nothing more.
            if (page && m_forward) {
                page->SetGroupLast(m_cur);
            } else if (page) {
                page->SetGroupFirst(m_cur);
            }
            CommStep = kStepFinish;
            return;
        }
        m_cur = {RespMA, RespMB, RespMC};
        m_received.push_back(ResponseBlock());
        const bool done = static_cast<int>(m_received.size()) >= m_wanted ||
                          static_cast<int>(m_received.size()) >= kMaxItemsPerGroup;
        CommStep = done ? kStepFinish : 1;
    }

  private:
    void Finish(SerialPort& port) {
        EndJobClosePort(port, true);
        PageModel* page = OnlinePage();
        if (CommError == kErrNone) {
            SetProgress(100);
            if (!page) return;
            if (!m_forward) std::reverse(m_received.begin(), m_received.end());
            // Nothing beyond the group's end: the rows stay as they are.
            if (!m_received.empty()) {
                page->ShowPage(m_received, static_cast<int>(m_received.size()), m_forward);
            }
            page->OnPageJobSucceeded();
            return;
        }
        ShowOpenPageError(port);
        if (page) page->OnPageJobFailed(!m_received.empty());
    }

    bool m_forward;
    ItemAddress m_cur;
    int m_wanted = 0;
    int m_groupFirstMb = 0;
    parameter::ItemArray m_received;
};

// =============================================== job 14: periodic reading

class PeriodicReadJob {
  public:
    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        PageModel* page = OnlinePage();
        if (step == 0) {
            m_list = page ? page->Window().measured : std::vector<parameter::MeasuredItem>{};
            BeginJob(port);
            Results().requests = 0;
            return;
        }
        if (step == kStepFinish) {
            EndJobClosePort(port, true);
            if (CommError != kErrNone) {
                ShowOpenPageError(port);
                if (page) {
                    page->SetReading(false);
                    page->SetGridLocked(false);
                    page->SetEntryEnabled(false);
                }
            }
            return;
        }
        const std::size_t index = static_cast<std::size_t>(step - 1);
        if (index >= m_list.size()) {
            FinishNow([this](SerialPort& p) { Build(p); }, port);
            return;
        }
        const auto& a = m_list[index].address;
        ReqItem(a.ma, a.mb, a.mc);
        CountRequest();
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 1 || !Checks()) return;
        const std::size_t index = static_cast<std::size_t>(step - 1);
        PageModel* page = OnlinePage();
        if (page && index < m_list.size()) {
            page->ReplaceRow(m_list[index].row, ResponseBlock());
        }
        if (index + 1 >= m_list.size()) CommStep = kStepFinish;
    }

  private:
    std::vector<parameter::MeasuredItem> m_list;
};

// ================================================= job 17: read for editing

class ReadItemJob {
  public:
    enum Step : int { kCommand10 = 1, kItem = 2, kChoice = 3 };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        PageModel* page = OnlinePage();
        switch (step) {
            case 0:
                m_maint = page && page->Category() == parameter::PageCategory::Maint;
                m_ma = page ? page->EditAddress().ma : 0;
                m_mb = page ? page->EditAddress().mb : 0;
                m_choices = {};
                m_have = false;
                if (page) {
                    page->SetAllEnabled(false);
                    page->ForgetEdit();
                }
                Results().requests = 0;
                BeginJob(port);
                return;
            case kCommand10:
                if (m_maint) {
                    ReqCommand10(0, 0, 0);
                } else {
                    CommStep = kChoice;
                    ReqItem(m_ma, m_mb, 0);
                }
                break;
            case kItem:
                ReqItem(m_ma, m_mb, 0);
                break;
            case kChoice:
                ReqItem86(m_choices.nextMa, m_choices.nextMb, m_choices.nextMc);
                break;
            case kStepFinish:
                Finish(port);
                return;
            default:
                return;
        }
        CountRequest();
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0 || !Checks()) return;
        if (step == kCommand10) return;
        if (step == kItem) {
            ParseItem();
            return;
        }
        if (step == kChoice) {
            const bool more = m_choices.Offer(ResponseItem());
            const bool bounded = static_cast<int>(m_choices.entries.size()) >= kMaxChoices;
            CommStep = more && !bounded ? static_cast<int>(kChoice) : kStepFinish;
        }
    }

  private:
    void ParseItem() {
        if (IsProgramOrConst(ResponseNameKey())) {
            CommStep = kStepFinish;
            return;
        }
        m_block = ResponseBlock();
        m_have = true;
        if (RespDataKind == parameter::kKindSelection) {
            m_choices.Start(RespMA, RespMB, RespMC);
            CommStep = kChoice;
            return;
        }
        CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) {
        EndJobClosePort(port, true);
        PageModel* page = OnlinePage();
        if (page) {
            page->SetAllEnabled(true);
            page->SetMoveMenus();
        }
        if (CommError == kErrNone) {
            SetProgress(100);
            if (page && m_have) {
                page->OnItemRead(m_block, m_choices);
            } else if (page) {
                page->SetEntryEnabled(false);
            }
            return;
        }
        ShowOpenPageError(port);
        if (page) page->OnItemReadFailed();
    }

    bool m_maint = false;
    int m_ma = 0;
    int m_mb = 0;
    parameter::ChoiceList m_choices;
    parameter::ItemBlock m_block{};
    bool m_have = false;
};

// ======================================================= job 18: write

class WriteItemJob {
  public:
    enum Step : int { kWrite = 1, kReReadItem = 2, kPageFirst = 3, kPageNext = 4 };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        PageModel* page = OnlinePage();
        switch (step) {
            case 0:
                m_pageRows = 0;
                BeginOnlineJob(port);
                return;
            case kWrite: {
                if (!page) {
                    FinishNow([this](SerialPort& p) { Build(p); }, port);
                    return;
                }
                ItemAddress address;
                int kind = 0;
                page->RowAddress(page->EditedRow(), address, kind);
                if (kind == parameter::kKindSelection) {
                    ClearSendData();
                } else {
                    std::string text = page->WriteText();
                    text.resize(8, ' ');
                    SetSendDataText(text);
                }
                ReqWrite(page->EditAddress().ma, page->EditAddress().mb, page->WriteCode());
                break;
            }
            case kReReadItem:
                ReqItem(page->EditAddress().ma, page->EditAddress().mb, 0);
                break;
            case kPageFirst:
                m_cur = page->Window().pageFirst;
                ReqItem(m_cur.ma, m_cur.mb, m_cur.mc);
                break;
            case kPageNext:
                ReqNextMB(m_cur.ma, m_cur.mb);
                break;
            case kStepFinish:
                Finish(port);
                return;
            default:
                return;
        }
        CountRequest();
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0 || !Checks()) return;
        PageModel* page = OnlinePage();
        if (!page) return;
        switch (step) {
            case kWrite:
            case kReReadItem:
                page->ReplaceRow(page->EditedRow(), ResponseBlock());
                if (step == kWrite && !NeedsPageReRead(ResponseNameKey())) {
                    CommStep = kStepFinish;
                }
                break;
            case kPageFirst:
            case kPageNext: {
                if (step == kPageNext && (RespMB == m_cur.mb || RespMB < m_cur.mb)) {
                    CommStep = kStepFinish;  // the group ended before the page
                    return;
                }
                m_cur = {RespMA, RespMB, RespMC};
                ++m_pageRows;
                page->ReplaceRow(m_pageRows, ResponseBlock());
                CommStep = m_pageRows < page->Window().rowCount ? static_cast<int>(kPageNext)
                                                                : kStepFinish;
                break;
            }
            default:
                break;
        }
    }

  private:
    void Finish(SerialPort& port) {
        EndJobClosePort(port, true);
        PageModel* page = OnlinePage();
        if (CommError != kErrNone) ShowOpenPageError(port);
        if (CommError == kErrNone) SetProgress(100);
        if (!page) return;
        page->SetAllEnabled(true);
        page->SetMoveMenus();
        page->SetReading(page->Window().hasMeasuredItems);
        page->SetGridLocked(page->Window().hasMeasuredItems);
        page->EnterRow(page->EditedRow());
    }

    int m_pageRows = 0;
    ItemAddress m_cur;
};

// ============================================= job 19: cancel forced output

class CancelOutputJob {
  public:
    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        PageModel* page = OnlinePage();
        if (step == 0) {
            m_row = 0;
            if (page) {
                m_row = page->EditedRow() != 0 ? page->EditedRow() : page->FirstItemRow();
                int kind = 0;
                page->RowAddress(m_row, m_address, kind);
            }
            BeginOnlineJob(port);
            return;
        }
        if (step == 1) {
            ReqItem(m_address.ma, m_address.mb, m_address.mc);
            CountRequest();
            return;
        }
        if (step != kStepFinish) return;
        EndJobClosePort(port, true);
        if (CommError != kErrNone) ShowOpenPageError(port);
        if (page) {
            page->SetAllEnabled(true);
            page->SetMoveMenus();
            page->SetEntryEnabled(false);
        }
    }

    void Parse() {
        if (AnsweredStep() != 1 || !Checks()) return;
        if (PageModel* page = OnlinePage(); page && m_row > 0)
            page->ReplaceRow(m_row, ResponseBlock());
        CommStep = kStepFinish;
    }

  private:
    int m_row = 0;
    ItemAddress m_address;
};

template <typename Job>
CommJobRoutines RoutinesOf(Job& job) {
    return {[&job](SerialPort& p) { job.Build(p); }, [&job] { job.Parse(); }};
}

}  // namespace

void RegisterPageJobs() {
    static CategoryPageJob openPage(kJobCategoryDisplay);
    static CategoryPageJob tabPage(kJobTabDisplay);
    static MoveJob next(true);
    static MoveJob previous(false);
    static PeriodicReadJob periodic;
    static ReadItemJob read;
    static WriteItemJob write;
    static CancelOutputJob cancel;
    for (int job = kJobCategoryDisplay; job <= kJobCategoryMaint; ++job) {
        RegisterCommJob(job, RoutinesOf(openPage));
    }
    for (int job = kJobTabDisplay; job <= kJobTabMaint; ++job) {
        RegisterCommJob(job, RoutinesOf(tabPage));
    }
    RegisterCommJob(kJobNextPage, RoutinesOf(next));
    RegisterCommJob(kJobPrevPage, RoutinesOf(previous));
    RegisterCommJob(kJobPeriodicRead, RoutinesOf(periodic));
    RegisterCommJob(kJobReadItem, RoutinesOf(read));
    RegisterCommJob(kJobWriteItem, RoutinesOf(write));
    RegisterCommJob(kJobCancelForced, RoutinesOf(cancel));
}

}  // namespace rq50::comm::jobs
