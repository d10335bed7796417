// The jobs of the online parameter screen: a category's page (4-7, 10-13),
// moving the page (8, 9), periodic reading (14), reading an item for
// editing (17), writing it (18) and cancelling a forced output (19). All of
// them run on the port that job 3 left open and leave it open.

#include "comm/CommPort.h"
#include "comm/jobs/GroupWalk.h"
#include "comm/jobs/JobSteps.h"
#include "comm/jobs/JobSupport.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <array>

namespace rq50::comm::jobs {

namespace {

using parameter::ItemAddress;
using parameter::PageModel;
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
bool ShownOnOpenPage(CommErrorCode code) {
    return code == kErrNoResponse || code == kErrAddress || code == kErrCommand ||
           code == kErrSlotZero || code == kErrLineLost;
}

/// The finishing message of an online job, by error code, with `title` as
/// the title when one is given; after a time-out the port is reopened at
/// `CommSpeed`. `everyCode` false keeps to the codes of ShownOnOpenPage.
void ShowOnlineError(EngineCore& e, SerialPort& port, const std::string& title, bool everyCode) {
    const std::string saved = e.CommTitle;
    if (!title.empty()) e.CommTitle = title;
    if (everyCode || ShownOnOpenPage(e.CommError)) e.ShowCommErrorMessage(e.CommError);
    e.CommTitle = saved;
    if (e.CommError == kErrNoResponse) {
        e.CommSettings.speed = e.CommSpeed;
        // Fast pacing lets go of the line after an error (ReleaseOnlineLine)
        // rather than settling it again.
        if (port.IsOpen() && !e.Pacing().fast) {
            if (e.CloseCommPort(port) != 0) e.ShowPortError();
            if (e.OpenCommPort(port) != 0) e.ShowPortError();
        }
    }
}

/// The page jobs (4-7, 10-13) show every code's message with their category
/// name as title: their connect can end as terminated by a cancelled SLOT No.
/// dialog.
void ShowPageJobError(EngineCore& e, SerialPort& port, const std::string& categoryTitle) {
    ShowOnlineError(e, port, categoryTitle, true);
}

/// The jobs on an open page (8, 9, 14, 17-19).
void ShowOpenPageError(EngineCore& e, SerialPort& port) {
    ShowOnlineError(e, port, {}, false);
}

/// Step 0 of every online job: the page window is kept aside and the screen
/// waits; the port is opened unless job 3 left it open.
void BeginOnlineJob(EngineCore& e, SerialPort& port) {
    if (PageModel* page = e.OnlinePage()) {
        page->SavePageWindow();
        page->SetAllEnabled(false);
    }
    e.BeginJob(port);
}

/// A row of the page rewritten from the answer: its grid row and the working
/// copy.
void RewriteRow(EngineCore& e, PageModel& page, int row) {
    page.ReplaceRow(row, ResponseBlock(e));
}

// ======================================================= jobs 4-7 and 10-13

class CategoryPageJob : public StepJob {
  public:
    using StepJob::StepJob;

  public:
    /// The MAINT entry is steps 11-13.
    enum Step : int { kCategoryHead = 7, kFirstItem, kNextItem, kNextGroup, kMaintEntry };

  private:
    void Begin(SerialPort& port) override {
        m_category = JobCategory(e.CommJob);
        m_wantedTab = e.OnlinePage() ? e.OnlinePage()->CurrentTab() : 1;
        m_header = {};
        m_names.clear();
        m_groupCounter = 0;
        m_items.clear();
        m_firstKnown = false;
        m_lastKnown = false;
        BeginOnlineJob(e, port);
    }

    void ModelAnswered(const std::string& model) override { m_header.model = model; }

    void RackAnswered() override {
        if (!TakeRelinkSlot()) e.AskSlotNumber();
    }

    void CategoryStartsAnswered() override {
        if (m_category == 3) e.CommStep = kMaintEntry;
    }

    void MaintStartAnswered() override {
        m_header.starts[files::Category::Maint] = e.RespMA;
        e.CommStep = kCategoryHead;
    }

    void Step(int step) override {
        if (ConnectSequence(step) || CategoryStarts(step, m_header) ||
            GroupWalkSteps(step, kFirstItem, m_walk) ||
            MaintEntry(step, kMaintEntry, m_header.starts[files::Category::Adjust]))
            return;
        if (step != kCategoryHead) return;
        if (Sending()) return e.ReqItem(CategoryStart(), 0, 0);
        m_walk.Start(CategoryStart(), NextCategoryStartOf(m_header, m_category), CategoryStart(),
                     0);
        EnterGroup();
    }

    int CategoryStart() const { return CategoryStartOf(m_header, m_category); }

    /// A group head: its name becomes a tab. PROGRAM and CONST groups are
    /// passed over and get no tab, so tab n is always the n-th group shown.
    void EnterGroup() {
        m_groupIsArea = IsProgramOrConst(ResponseNameKey(e));
        if (m_groupIsArea) return;
        ++m_groupCounter;
        m_names.push_back(shell::Trim(e.RespName));
        if (PageModel* page = e.OnlinePage()) page->SetTabNames(m_names);
    }

    bool Wanted() const { return !m_groupIsArea && m_groupCounter == m_wantedTab; }

    /// An item of the wanted group goes on the page until the page is full.
    void Offer() {
        if (!Wanted() || IsProgramOrConst(ResponseNameKey(e))) return;
        m_items.push_back(ResponseBlock(e));
    }

    void ItemAnswered(bool item) override {
        const bool first = m_walk.FromHead();
        if (first && Wanted()) {
            m_first = {e.RespMA, e.RespMB, e.RespMC};
            m_firstKnown = true;
        }
        if (!item) {
            // The walk stays on the group's last item.
            if (!first) {
                m_last = {m_walk.Ma(), m_walk.Mb(), 0};
                m_lastKnown = true;
            }
            e.CommStep = kNextGroup;
            return;
        }
        if (!first) e.Host().ShowStatusText(SkippingText(ResponseNameKey(e)));
        if (first && !Wanted()) {
            e.CommStep = kNextGroup;
            return;
        }
        Offer();
        e.CommStep = m_items.size() < parameter::kPageRows ? kNextItem : kNextGroup;
    }

    void GroupAnswered(bool group) override {
        if (!group) {
            e.CommStep = kStepFinish;
            return;
        }
        EnterGroup();
        e.CommStep = kFirstItem;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        e.Host().ShowStatusText({});
        PageModel* page = e.OnlinePage();
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
            e.Results().onlineHeader = m_header;
            if (!page) return;
            page->SetGroupBounds(m_firstKnown ? m_first : ItemAddress{},
                                 m_lastKnown ? m_last : ItemAddress{}, m_lastKnown);
            page->ShowPage(m_items);
            page->OnPageJobSucceeded();
            return;
        }
        ShowPageJobError(e, port, shell::Catalogue(kTextCategoryTitle + m_category));
        if (page) page->OnPageJobFailed(false);
    }

    int m_category = 0;
    int m_wantedTab = 1;
    files::DataSetHeader m_header;
    std::vector<std::string> m_names;
    int m_groupCounter = 0;
    bool m_groupIsArea = false;
    parameter::ItemArray m_items;
    GroupWalk m_walk;
    ItemAddress m_first;
    ItemAddress m_last;
    bool m_firstKnown = false;
    bool m_lastKnown = false;
};

// ====================================================== jobs 8 and 9: moving

class MoveJob : public StepJob {
  public:
    using StepJob::StepJob;
    bool RunsOnOpenPage() const override { return true; }

  public:
    MoveJob(EngineCore& engine, bool forward) : StepJob(engine), m_forward(forward) {}

  private:
    enum Step : int { kMove = 1 };

    void Begin(SerialPort& port) override {
        m_received.clear();
        PageModel* page = e.OnlinePage();
        m_cur = page ? page->Anchor() : ItemAddress{};
        m_wanted = page ? page->Step() : 0;
        m_groupFirstMb = page ? page->Window().categoryFirst.mb : 0;
        BeginOnlineJob(e, port);
    }

    bool AnswerChecks(int /*step*/) override { return Checks(e); }

    void Step(int step) override {
        if (step != kMove) return;
        if (Sending())
            return m_forward ? e.ReqNextMB(m_cur.ma, m_cur.mb) : e.ReqPrevMB(m_cur.ma, m_cur.mb);
        PageModel* page = e.OnlinePage();
        const bool stayed = e.RespMB == m_cur.mb || e.RespMA != m_cur.ma;
        const bool wrapped =
            m_forward ? (e.RespMB == m_groupFirstMb || e.RespMB < m_cur.mb) : (e.RespMB > m_cur.mb);
        if (stayed || wrapped || e.RespMB == 0) {
            // The group ends here: in that direction there is nothing more.
            if (page && m_forward) {
                page->SetGroupLast(m_cur);
            } else if (page) {
                page->SetGroupFirst(m_cur);
            }
            e.CommStep = kStepFinish;
            return;
        }
        m_cur = {e.RespMA, e.RespMB, e.RespMC};
        m_received.push_back(ResponseBlock(e));
        const bool done = static_cast<int>(m_received.size()) >= m_wanted ||
                          static_cast<int>(m_received.size()) >= kMaxItemsPerGroup;
        e.CommStep = done ? static_cast<int>(kStepFinish) : kMove;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        PageModel* page = e.OnlinePage();
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
            if (!page) return;
            if (!m_forward) std::reverse(m_received.begin(), m_received.end());
            // Nothing beyond the group's end: the rows stay as they are.
            if (!m_received.empty()) {
                page->ShowPage(m_received, static_cast<int>(m_received.size()), m_forward);
            }
            page->OnPageJobSucceeded();
            return;
        }
        ShowOpenPageError(e, port);
        if (page) page->OnPageJobFailed(!m_received.empty());
    }

    bool m_forward;
    ItemAddress m_cur;
    int m_wanted = 0;
    int m_groupFirstMb = 0;
    parameter::ItemArray m_received;
};

// =============================================== job 14: periodic reading

class PeriodicReadJob : public StepJob {
  public:
    using StepJob::StepJob;
    bool RunsOnOpenPage() const override { return true; }

    void Begin(SerialPort& port) override {
        PageModel* page = e.OnlinePage();
        m_list = page ? page->Window().measured : std::vector<parameter::MeasuredItem>{};
        e.BeginJob(port);
    }

    bool AnswerChecks(int /*step*/) override { return Checks(e); }

    /// Step n reads the n-th measured item of the page.
    void Step(int step) override {
        const std::size_t index = static_cast<std::size_t>(step - 1);
        if (index >= m_list.size()) return NothingToSend();
        if (Sending()) {
            const auto& a = m_list[index].address;
            return e.ReqItem(a.ma, a.mb, a.mc);
        }
        if (PageModel* page = e.OnlinePage()) RewriteRow(e, *page, m_list[index].row);
        if (index + 1 >= m_list.size()) e.CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        if (PageModel* page = e.OnlinePage())
            page->ReadingEnded(e.CommError == kErrNone, e.NowMs());
        if (e.CommError == kErrNone) return;
        ShowOpenPageError(e, port);
        if (PageModel* page = e.OnlinePage()) page->OnReadingFailed();
    }

    std::vector<parameter::MeasuredItem> m_list;
};

// ================================================= job 17: read for editing

class ReadItemJob : public StepJob {
  public:
    using StepJob::StepJob;
    bool RunsOnOpenPage() const override { return true; }

    enum Step : int { kCommand10 = 1, kItem = 2, kChoice = 3 };

    void Begin(SerialPort& port) override {
        PageModel* page = e.OnlinePage();
        m_maint = page && page->Category() == parameter::PageCategory::Maint;
        m_ma = page ? page->EditAddress().ma : 0;
        m_mb = page ? page->EditAddress().mb : 0;
        m_choices = {};
        m_have = false;
        if (page) {
            page->SetAllEnabled(false);
            page->ForgetEdit();
        }
        e.BeginJob(port);
    }

    bool AnswerChecks(int /*step*/) override { return Checks(e); }

    void Step(int step) override {
        switch (step) {
            case kCommand10:
                // Only MAINT items need maintenance access; any other item is
                // read at once, and its answer is taken as step 2's.
                if (!Sending()) return;
                if (m_maint) return e.ReqCommand10(0, 0, 0);
                e.CommStep = kChoice;
                return e.ReqItem(m_ma, m_mb, 0);
            case kItem:
                if (Sending()) return e.ReqItem(m_ma, m_mb, 0);
                TakeItem();
                break;
            case kChoice: {
                if (Sending())
                    return e.ReqItem86(m_choices.nextMa, m_choices.nextMb, m_choices.nextMc);
                const bool more = m_choices.Offer(ResponseItem(e));
                const bool bounded = static_cast<int>(m_choices.entries.size()) >= kMaxChoices;
                e.CommStep = more && !bounded ? static_cast<int>(kChoice) : kStepFinish;
                break;
            }
            default:
                break;
        }
    }

    void TakeItem() {
        if (IsProgramOrConst(ResponseNameKey(e))) {
            e.CommStep = kStepFinish;
            return;
        }
        m_block = ResponseBlock(e);
        m_have = true;
        if (e.RespDataKind == parameter::kKindSelection) {
            m_choices.Start(e.RespMA, e.RespMB, e.RespMC);
            e.CommStep = kChoice;
            return;
        }
        e.CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        PageModel* page = e.OnlinePage();
        if (page) {
            page->SetAllEnabled(true);
            page->SetMoveMenus();
        }
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
            if (page && m_have) {
                page->OnItemRead(m_block, m_choices);
            } else if (page) {
                page->SetEntryEnabled(false);
            }
            return;
        }
        ShowOpenPageError(e, port);
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

class WriteItemJob : public StepJob {
  public:
    using StepJob::StepJob;
    bool RunsOnOpenPage() const override { return true; }

    enum Step : int { kWrite = 1, kReReadItem = 2, kPageFirst = 3, kPageNext = 4 };

    void Begin(SerialPort& port) override {
        m_pageRows = 0;
        BeginOnlineJob(e, port);
    }

    bool AnswerChecks(int /*step*/) override { return Checks(e); }

    void Step(int step) override {
        PageModel* page = e.OnlinePage();
        if (!page) return NothingToSend();
        switch (step) {
            case kWrite:
                if (Sending()) return WriteEntry(*page);
                RewriteRow(e, *page, page->EditedRow());
                if (!NeedsPageReRead(ResponseNameKey(e))) e.CommStep = kStepFinish;
                break;
            case kReReadItem:
                if (Sending()) return e.ReqItem(page->EditAddress().ma, page->EditAddress().mb, 0);
                RewriteRow(e, *page, page->EditedRow());
                break;
            case kPageFirst:
                if (Sending()) {
                    m_cur = page->Window().pageFirst;
                    return e.ReqItem(m_cur.ma, m_cur.mb, m_cur.mc);
                }
                TakePageRow(*page);
                break;
            case kPageNext:
                if (Sending()) return e.ReqNextMB(m_cur.ma, m_cur.mb);
                // The group ended before the page.
                if (e.RespMB == m_cur.mb || e.RespMB < m_cur.mb) {
                    e.CommStep = kStepFinish;
                    return;
                }
                TakePageRow(*page);
                break;
            default:
                break;
        }
    }

    void WriteEntry(PageModel& page) {
        ItemAddress address;
        int kind = 0;
        page.RowAddress(page.EditedRow(), address, kind);
        if (kind == parameter::kKindSelection) {
            e.ClearSendData();
        } else {
            std::string text = page.WriteText();
            text.resize(8, ' ');
            e.SetSendDataText(text);
        }
        e.ReqWrite(page.EditAddress().ma, page.EditAddress().mb, page.WriteCode());
    }

    void TakePageRow(PageModel& page) {
        m_cur = {e.RespMA, e.RespMB, e.RespMC};
        ++m_pageRows;
        RewriteRow(e, page, m_pageRows);
        e.CommStep =
            m_pageRows < page.Window().rowCount ? static_cast<int>(kPageNext) : kStepFinish;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        PageModel* page = e.OnlinePage();
        if (e.CommError != kErrNone) ShowOpenPageError(e, port);
        if (e.CommError == kErrNone) e.SetProgress(100);
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

class CancelOutputJob : public StepJob {
  public:
    using StepJob::StepJob;
    bool RunsOnOpenPage() const override { return true; }

    void Begin(SerialPort& port) override {
        m_row = 0;
        if (PageModel* page = e.OnlinePage()) {
            m_row = page->EditedRow() != 0 ? page->EditedRow() : page->FirstItemRow();
            int kind = 0;
            page->RowAddress(m_row, m_address, kind);
        }
        BeginOnlineJob(e, port);
    }

    bool AnswerChecks(int /*step*/) override { return Checks(e); }

    /// The item is read again.
    void Step(int step) override {
        if (step != 1) return;
        if (Sending()) return e.ReqItem(m_address.ma, m_address.mb, m_address.mc);
        if (PageModel* page = e.OnlinePage(); page && m_row > 0)
            page->ReplaceRow(m_row, ResponseBlock(e));
        e.CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        if (e.CommError != kErrNone) ShowOpenPageError(e, port);
        if (PageModel* page = e.OnlinePage()) {
            page->SetAllEnabled(true);
            page->SetMoveMenus();
            page->SetEntryEnabled(false);
        }
    }

    int m_row = 0;
    ItemAddress m_address;
};

}  // namespace

void RegisterPageJobs(EngineCore& e) {
    // One page job serves the four categories, another the four tabs.
    auto openPage = std::make_shared<CategoryPageJob>(e);
    auto tabPage = std::make_shared<CategoryPageJob>(e);
    for (int category = 0; category < 4; ++category) {
        e.RegisterCommJob(CategoryJob(category), openPage->Routines());
        e.RegisterCommJob(TabJob(category), tabPage->Routines());
    }
    e.KeepJobObject(openPage);
    e.KeepJobObject(tabPage);
    RegisterStepJob<MoveJob>(e, kJobNextPage, true);
    RegisterStepJob<MoveJob>(e, kJobPrevPage, false);
    RegisterStepJobs<PeriodicReadJob, ReadItemJob, WriteItemJob, CancelOutputJob>(
        e, kJobPeriodicRead, kJobReadItem, kJobWriteItem, kJobCancelForced);
}

}  // namespace rq50::comm::jobs
