#include "program/ProgramEditor.h"

#include "ProgramTestSupport.h"
#include "ShellFakes.h"
#include "program/ProgramModel.h"
#include "program/ProgramText.h"
#include "shell/TextTrim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace rq50::program {
namespace {

using ::testing::HasSubstr;

using testing::Row;

class FakeEditorHost : public EditorHost {
  public:
    int ConfirmedSlotNumber() override { return 7; }
    void Beep() override { ++beeps; }
    void ShowStatusHint(const std::string& text) override { hint = text; }
    int beeps = 0;
    std::string hint;
};

class ProgramEditorTest : public ::testing::Test {
  protected:
    ProgramEditorTest()
        : folder("editor"),
          editor(services.ws.hosts, categories, services.ws.config, state, host,
                 shell::AppFilePath("Undo\\")) {}

    /// A new RQK2 program in the editor.
    void OpenNew() {
        ASSERT_EQ(CreateNewProgram(categories, state), NewProgramResult::kCreated);
        state.source = ProgramSource::New;
        editor.Open();
    }

    std::string Op(int row) const { return editor.ProgramGrid().Get(row, kOperatorColumn); }
    void SetOp(int row, const std::string& op) { editor.Grid(GridId::kProgram).Set(row, 1, op); }
    std::size_t UndoFiles() const {
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder.Path() / "Undo")) {
            n += e.is_regular_file() ? 1 : 0;
        }
        return n;
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& b : services.messages.boxes) texts.push_back(b.text);
        return texts;
    }

    shell::testing::ServicesScope services;

    files::Workspace& ws = services.ws;
    testing::TempAppFolder folder;
    CategoryTable categories = {Row("RQK2", "10", "P01", "4", "Q01", "K2"),
                                Row("RQK3", "5", "P01", "2", "Q01", "K2"),
                                Row("RQX1", "5", "", "2", "Q01", "K2")};
    ProgramState state;
    FakeEditorHost host;
    ProgramEditor editor;
};

TEST_F(ProgramEditorTest, OpensOnTheTemplate) {
    OpenNew();
    const CellGrid& p = editor.ProgramGrid();
    EXPECT_EQ(p.Rows(), 64);
    EXPECT_EQ(p.Get(10, 0), "P10");
    EXPECT_EQ(p.Get(11, 0), "");
    EXPECT_EQ(Op(1), "LDX1");
    EXPECT_EQ(editor.ConstGrid().Get(4, 0), "Q04");
    EXPECT_EQ(editor.ConstGrid().Get(4, 1), "0.00000");
    EXPECT_TRUE(state.modified);
    EXPECT_FALSE(editor.UndoEnabled());
    EXPECT_EQ(host.hint, "F2:Editing Active Cell   F3:Insert Row   F4:Delete Row");
    EXPECT_EQ(UndoFiles(), 2u);
}

TEST_F(ProgramEditorTest, WriteBackWidensOperatorsAndNormalisesConstants) {
    OpenNew();
    SetOp(4, "GO5");
    SetOp(5, "GO10");
    editor.Grid(GridId::kProgram).Set(4, kCommentColumn, "jump");
    editor.Grid(GridId::kConst).Set(1, 1, "-0.5");
    editor.Grid(GridId::kConst).Set(2, 1, "");
    editor.Grid(GridId::kConst).Set(3, 1, "abc");
    ASSERT_EQ(editor.WriteBack(), WriteBackStatus::kReady);
    EXPECT_EQ(Op(4), "GO05");
    EXPECT_EQ(Op(5), "GO10");
    EXPECT_EQ(shell::Trim(RecordDataText(state.records[3])), "GO05");
    EXPECT_EQ(state.records[3][0], 0x81);
    EXPECT_EQ(state.header.stepComments[3], "jump" + std::string(21, ' '));
    EXPECT_EQ(state.header.slotNumber, 7);
    EXPECT_EQ(RecordDataText(state.records[10]), "-0.50000");
    EXPECT_EQ(state.records[10][0], 0x85);
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "-0.50000");
    EXPECT_EQ(RecordDataText(state.records[11]), "+0.00000");
    EXPECT_EQ(editor.ConstGrid().Get(2, 1), "0.00000");
    EXPECT_EQ(RecordDataText(state.records[12]), "+0.00000");

    // Filling a second editor from memory shows the program as written back.
    ProgramEditor again(ws.hosts, categories, ws.config, state, host, shell::AppFilePath("Undo\\"));
    again.Open();
    EXPECT_EQ(again.ProgramGrid().Get(4, 1), "GO05");
    EXPECT_EQ(again.ProgramGrid().Get(4, kCommentColumn), "jump");
    EXPECT_EQ(again.ConstGrid().Get(1, 1), "-0.50000");
}

TEST_F(ProgramEditorTest, UnregisteredModelsAndAreasPastItem63AreNotWrittenBack) {
    OpenNew();
    const auto records = state.records;
    editor.ChangeModel("zz9");
    EXPECT_EQ(editor.ModelText(), "ZZ9");
    EXPECT_FALSE(editor.CommandCheckEnabled());
    EXPECT_EQ(editor.WriteBackForOutput("Save to File"), WriteBackStatus::kNotRegistered);
    categories.push_back(Row("BIG2", "10", "P60", "4", "Q01"));
    editor.ChangeModel("BIG2");
    EXPECT_EQ(editor.WriteBackForOutput("Print"), WriteBackStatus::kAreaTooLarge);
    EXPECT_EQ(state.records, records);
    ASSERT_EQ(services.messages.boxes.size(), 2u);
    EXPECT_EQ(services.messages.boxes[0].text, "Model not registered.");
    EXPECT_EQ(services.messages.boxes[0].title, "Save to File");
    EXPECT_THAT(services.messages.boxes[1].text, HasSubstr("above number 63"));

    // Leaving the box on such a model is refused the same way.
    editor.ChangeModel("RQK2");
    editor.EnterModelBox();
    editor.ChangeModel("BIG2");
    EXPECT_FALSE(editor.LeaveModelBox());
    EXPECT_EQ(editor.ModelText(), "RQK2");
}

TEST_F(ProgramEditorTest, UploadedProgramKeepsItsCountsWhileTheModelStays) {
    OpenNew();
    state.header.stepCount = 3;  // as an upload of a unit with fewer steps might give
    state.header.stepComments.resize(3);
    state.records.resize(3 + 4);
    state.source = ProgramSource::Upload;
    ProgramEditor uploaded(ws.hosts, categories, ws.config, state, host,
                           shell::AppFilePath("Undo\\"));
    uploaded.Open();
    ASSERT_EQ(uploaded.WriteBack(), WriteBackStatus::kReady);
    EXPECT_EQ(state.header.stepCount, 3);
    EXPECT_EQ(state.records.size(), 7u);
    EXPECT_EQ(state.header.slotNumber, 0);
}

TEST_F(ProgramEditorTest, OperatorCellValidationRestoresTheValueBeforeEdit) {
    OpenNew();
    EXPECT_EQ(editor.BeginEdit(GridId::kProgram, 2, 1), "STY1");
    EXPECT_FALSE(editor.EndEdit(GridId::kProgram, 2, 1, "LD=X"));
    EXPECT_EQ(Op(2), "STY1");
    editor.BeginEdit(GridId::kProgram, 2, 1);
    EXPECT_FALSE(editor.EndEdit(GridId::kProgram, 2, 1, "ABCDEFGHI"));
    ASSERT_EQ(MessageTexts(), (std::vector<std::string>(2, "Illegal value entered.")));
    EXPECT_EQ(services.messages.boxes[0].title, "Program Editor");
    EXPECT_FALSE(editor.UndoEnabled());

    editor.BeginEdit(GridId::kProgram, 2, 1);
    EXPECT_TRUE(editor.EndEdit(GridId::kProgram, 2, 1, "go5"));
    EXPECT_EQ(Op(2), "go5");
    EXPECT_TRUE(editor.UndoEnabled());
}

TEST_F(ProgramEditorTest, ConstCellValidationAndImmediateRecordRebuild) {
    OpenNew();
    EXPECT_EQ(editor.BeginEdit(GridId::kConst, 1, 1), "+0.00000");
    EXPECT_FALSE(editor.EndEdit(GridId::kConst, 1, 1, "32000.5"));
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "0.00000");
    editor.BeginEdit(GridId::kConst, 1, 1);
    EXPECT_FALSE(editor.EndEdit(GridId::kConst, 1, 1, "1.123456"));
    EXPECT_EQ(services.messages.boxes.size(), 2u);

    editor.BeginEdit(GridId::kConst, 2, 1);
    EXPECT_TRUE(editor.EndEdit(GridId::kConst, 2, 1, "-32000"));
    EXPECT_EQ(editor.ConstGrid().Get(2, 1), "-32000.0");
    const ProgramItemRecord& record = state.records[11];
    EXPECT_EQ(record[0], 0xC5);
    EXPECT_EQ(record[2], 2);
    EXPECT_EQ(RecordDataText(record), "-32000.0");
}

TEST_F(ProgramEditorTest, CancelledEditAndTypingFilters) {
    OpenNew();
    // Escape after BeginEdit put the CONST cell in its signed form: the
    // display form comes back.
    EXPECT_EQ(editor.BeginEdit(GridId::kConst, 1, 1), "+0.00000");
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "+0.00000");
    editor.CancelEdit(GridId::kConst, 1, 1);
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "0.00000");
    EXPECT_FALSE(editor.UndoEnabled());

    for (char c : std::string("aZ09 /+.#")) {
        EXPECT_TRUE(TypedCharAccepted(GridId::kProgram, kOperatorColumn, c)) << c;
    }
    for (char c : std::string("@[_:~")) {
        EXPECT_FALSE(TypedCharAccepted(GridId::kProgram, kOperatorColumn, c)) << c;
        EXPECT_TRUE(TypedCharAccepted(GridId::kProgram, kCommentColumn, c)) << c;
    }
    for (char c : std::string("09+-. ")) {
        EXPECT_TRUE(TypedCharAccepted(GridId::kConst, kValueColumn, c)) << c;
    }
    for (char c : std::string("aE,\t")) {
        EXPECT_FALSE(TypedCharAccepted(GridId::kConst, kValueColumn, c)) << c;
    }
}

TEST_F(ProgramEditorTest, ModelChangeFillsNewRowsAndClearsOnlyEmptySurplus) {
    OpenNew();
    SetOp(5, "LDX1");                              // inside RQK3's 5 steps
    SetOp(7, "END");                               // surplus with content: stays
    editor.Grid(GridId::kConst).Set(3, 1, "1.5");  // surplus CONST with a value: stays
    editor.ChangeModel("RQK3");
    EXPECT_EQ(state.header.stepCount, 5);
    EXPECT_EQ(state.header.constCount, 2);
    EXPECT_EQ(Op(5), "LDX1");
    EXPECT_EQ(Op(6), "");
    EXPECT_EQ(Op(7), "END");
    EXPECT_EQ(editor.ProgramGrid().Get(6, 0), "");
    EXPECT_EQ(editor.ConstGrid().Get(3, 1), "1.5");
    EXPECT_EQ(editor.ConstGrid().Get(4, 1), "");

    // Back to the larger model: empty cells within the counts are filled.
    editor.ChangeModel("RQK2");
    EXPECT_EQ(Op(6), "NOP");
    EXPECT_EQ(editor.ConstGrid().Get(4, 1), "0.00000");
    EXPECT_EQ(editor.ProgramGrid().Get(10, 0), "P10");
}

TEST_F(ProgramEditorTest, LeavingTheModelBoxWithoutProgramAreaPutsTheModelBack) {
    OpenNew();
    editor.EnterModelBox();
    editor.ChangeModel("RQX1");
    EXPECT_FALSE(editor.LeaveModelBox());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "For this model name of TAVRO, you must return to the Program "
                                  "Setting Menu and upload program data before you edit the "
                                  "program."}));
    EXPECT_EQ(editor.ModelText(), "RQK2");
    EXPECT_TRUE(editor.CommandCheckEnabled());
    editor.EnterModelBox();
    editor.ChangeModel("RQK3");
    EXPECT_TRUE(editor.LeaveModelBox());
}

/// Steps 1..5 with step 3 = GO5 and step 5 = GIF2.
class JumpRenumberTest : public ProgramEditorTest {
  protected:
    void SetUp() override {
        OpenNew();
        Fill();
    }
    void Fill() {
        for (int r = 1; r <= 5; ++r) SetOp(r, "NOP");
        SetOp(3, "GO5");
        SetOp(5, "GIF2");
        SetOp(6, "GOTO");
    }
};

TEST_F(JumpRenumberTest, InsertShiftsTargetsAtOrAfterTheRow) {
    editor.InsertRow(2);
    EXPECT_EQ(Op(2), "");
    EXPECT_EQ(Op(4), "GO6");
    EXPECT_EQ(Op(6), "GIF3");
    EXPECT_EQ(Op(7), "GOTO");
    EXPECT_EQ(editor.ProgramGrid().Get(11, 0), "");
    EXPECT_TRUE(editor.UndoEnabled());
}

TEST_F(JumpRenumberTest, DeleteShiftsTargetsAndStripsJumpsToTheDeletedStep) {
    editor.DeleteRow(5);  // the target of GO5
    EXPECT_EQ(Op(3), "GO");
    EXPECT_EQ(Op(5), "GOTO");
    Fill();
    editor.DeleteRow(2);
    EXPECT_EQ(Op(2), "GO4");
    EXPECT_EQ(Op(4), "GIF");
    EXPECT_EQ(editor.RunCheck(), 1);
    const auto lines = editor.Checker().ErrorLines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const ErrorLine& l) {
        return l.step == "P04" && l.program == "GIF" && l.content == "Specify jump address.";
    }));
}

TEST_F(ProgramEditorTest, InsertNeedsAFreeLastRow) {
    OpenNew();
    SetOp(64, "NOP");
    editor.InsertRow(1);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(Op(1), "LDX1");

    CellGrid full(64, 3);
    for (int r = 1; r <= 64; ++r) full.Set(r, 1, "NOP");
    EXPECT_FALSE(InsertBlankRow(ws.hosts, full, 1));
    EXPECT_EQ(MessageTexts().back(), "You cannot increase rows any more.");

    editor.FocusGrid(GridId::kConst);
    EXPECT_FALSE(editor.RowButtonsEnabled());
    editor.DeleteRow(1);
    EXPECT_EQ(Op(1), "LDX1");
}

TEST_F(ProgramEditorTest, PasteOneValueFillsTheSelection) {
    OpenNew();
    const std::string copied = editor.CopyBlock(GridId::kProgram, {2, 1, 2, 1}, false, 0);
    EXPECT_EQ(copied, "STY1\r\n");
    ASSERT_TRUE(editor.Paste(GridId::kProgram, {11, 1, 13, 2}, copied, false));
    EXPECT_EQ(editor.ProgramGrid().Get(13, 2), "STY1");
    ASSERT_TRUE(editor.Paste(GridId::kConst, {5, 1, 8, 1}, "3.5", false));
    for (int r = 5; r <= 8; ++r) EXPECT_EQ(editor.ConstGrid().Get(r, 1), "3.5");

    // Four rows by the two editable columns: all eight cells; the address and
    // hidden columns never take pasted text.
    ASSERT_TRUE(editor.Paste(GridId::kProgram, {20, 0, 23, 3}, "X", false));
    int filled = 0;
    for (int r = 20; r <= 23; ++r)
        filled += (Op(r) == "X") + (editor.ProgramGrid().Get(r, 2) == "X");
    EXPECT_EQ(filled, 8);
    EXPECT_EQ(editor.ProgramGrid().Get(20, 0), "");

    // A block goes in at the selection's top-left cell; whole rows copy columns 1..2.
    const std::string rows = editor.CopyBlock(GridId::kProgram, {1, 0, 3, 3}, true, 1);
    EXPECT_EQ(rows, "LDX1\t\r\n");
    ASSERT_TRUE(editor.Paste(GridId::kProgram, {30, 1, 30, 1}, "A\tc1\r\nB\tc2\r\n", false));
    EXPECT_EQ(Op(30), "A");
    EXPECT_EQ(editor.ProgramGrid().Get(31, 2), "c2");
}

TEST_F(ProgramEditorTest, PasteAndDropRefuseIllegalCharacters) {
    OpenNew();
    // A pasted CONST value meets the cell rules: 99999 would reach the unit.
    EXPECT_FALSE(editor.Paste(GridId::kConst, {1, 1, 1, 1}, "99999", false));
    EXPECT_FALSE(editor.Paste(GridId::kConst, {1, 1, 1, 1}, "1.123456", false));
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "0.00000");
    EXPECT_TRUE(editor.Paste(GridId::kConst, {3, 1, 4, 1}, "-12.5\r\n\r\n", false));
    EXPECT_EQ(editor.ConstGrid().Get(3, 1), "-12.5");
    services.messages.boxes.clear();
    editor.BeginEdit(GridId::kConst, 1, 1);
    EXPECT_FALSE(editor.Paste(GridId::kConst, {1, 1, 1, 1}, "1\t2", true));
    EXPECT_EQ(editor.ConstGrid().Get(1, 1), "0.00000");
    EXPECT_FALSE(editor.Paste(GridId::kProgram, {1, 1, 1, 1}, "LD_1", false));
    EXPECT_TRUE(editor.Paste(GridId::kProgram, {1, 2, 1, 2}, "any_comment", false));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                  "Attempted to perform an illegal operation on CONST.",
                                  "Attempted to perform an illegal operation on the PROGRAM."}));

    editor.Grid(GridId::kProgram).Set(12, 2, "a_b");
    EXPECT_FALSE(editor.DropBlock(GridId::kProgram, {12, 2, 12, 2}, 14, 1));
    EXPECT_EQ(editor.ProgramGrid().Get(12, 2), "a_b");
    EXPECT_TRUE(editor.DropBlock(GridId::kProgram, {12, 2, 12, 2}, 14, 2));
    EXPECT_EQ(editor.ProgramGrid().Get(14, 2), "a_b");
    EXPECT_EQ(editor.ProgramGrid().Get(12, 2), "");
}

TEST_F(ProgramEditorTest, UndoRingKeepsTwoHundredChanges) {
    OpenNew();
    // Base snapshot plus 201 changes: the 202nd snapshot drops the base.
    for (int i = 1; i <= 201; ++i) {
        SetOp(11, "S" + std::to_string(i));
        editor.TakeSnapshot();
        ASSERT_LE(UndoFiles(), 2u * UndoRing::kSlots);
    }
    EXPECT_EQ(editor.Undo().SnapshotCount(), 201);
    EXPECT_EQ(UndoFiles(), 402u);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(editor.UndoEnabled()) << i;
        editor.UndoLast();
    }
    EXPECT_EQ(Op(11), "S1");
    EXPECT_FALSE(editor.UndoEnabled());
    editor.UndoLast();
    EXPECT_EQ(Op(11), "S1");
    EXPECT_EQ(editor.ProgramGrid().Cols(), 3);
    EXPECT_EQ(UndoFiles(), 2u);

    editor.ResetUndoAfterSave();
    EXPECT_EQ(editor.Undo().SnapshotCount(), 1);
    EXPECT_EQ(UndoFiles(), 2u);
}

// Undo gives both grids the editor's 64 rows back, also a grid whose table
// is missing (15 rows when the editor opened).
TEST_F(ProgramEditorTest, UndoBringsBackSixtyFourRows) {
    ASSERT_EQ(CreateNewProgram(categories, state), NewProgramResult::kCreated);
    state.header.constCount = 0;
    state.records.resize(static_cast<std::size_t>(state.header.stepCount));
    state.source = ProgramSource::File;
    editor.Open();
    ASSERT_EQ(editor.ConstGrid().Rows(), kEmptyGridRows);
    SetOp(5, "END");
    editor.TakeSnapshot();
    editor.UndoLast();
    EXPECT_EQ(Op(5), "NOP");
    EXPECT_EQ(editor.ProgramGrid().Rows(), kGridRows);
    EXPECT_EQ(editor.ConstGrid().Rows(), kGridRows);
    EXPECT_EQ(editor.ConstGrid().Cols(), kValueColumn);
}

// A negative count can only come from a damaged file: the program is not
// written back (nothing changes) and Save, Download and Print say why.
TEST_F(ProgramEditorTest, NegativeCountsAreRefusedWhole) {
    OpenNew();
    state.header.stepCount = -5;
    const auto header = state.header;
    const auto records = state.records;
    EXPECT_EQ(editor.WriteBackForOutput("Save to File"), WriteBackStatus::kBadCounts);
    EXPECT_EQ(state.records, records);
    EXPECT_EQ(state.header.stepCount, header.stepCount);
    ASSERT_EQ(services.messages.boxes.size(), 1u);
    EXPECT_THAT(services.messages.boxes[0].text, HasSubstr("negative"));
    EXPECT_EQ(services.messages.boxes[0].title, "Save to File");
}

TEST(SnapshotFile, RestoresEveryCell) {
    testing::TempAppFolder folder("grid");
    CellGrid grid(3, 2);
    grid.Set(0, 1, "PROGRAM");
    grid.Set(1, 1, "tab\there");
    grid.Set(2, 2, "line\r\nbreak \\ end ");
    const std::string path = (folder.Path() / "g").string();
    ASSERT_TRUE(SaveGridFile(path, grid));
    CellGrid back;
    ASSERT_TRUE(LoadGridFile(path, back));
    EXPECT_EQ(back, grid);
    EXPECT_FALSE(LoadGridFile((folder.Path() / "missing").string(), back));
}

TEST(ProgramText, HeadlessEditorShowsGridsAndKeepsNoSnapshots) {
    shell::testing::ServicesScope services;
    testing::TempAppFolder folder("text");
    const CategoryTable categories = {testing::Row("RQK2", "4", "P01", "2", "Q01", "K2")};
    ProgramState state;
    ASSERT_EQ(CreateNewProgram(categories, state), NewProgramResult::kCreated);
    state.header.stepComments[1] = "store";
    EditorHost host;
    ProgramEditor editor(services.ws.hosts, categories, services.ws.config, state, host,
                         std::string());
    editor.Open();
    editor.TakeSnapshot();
    EXPECT_FALSE(editor.UndoEnabled());
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    EXPECT_EQ(ProgramGridsText(editor),
              "MODEL : RQK2\n\n"
              "STEP   PROGRAM    Comment\n"
              "P01    LDX1\n"
              "P02    STY1       store\n"
              "P03    END\n"
              "P04    NOP\n"
              "\n"
              "       CONST\n"
              "Q01    0.00000\n"
              "Q02    0.00000\n");
    EXPECT_EQ(ErrorListText({{"P03", "GO", "Specify jump address."}}),
              "STEP   PROGRAM    Error Content\nP03    GO         Specify jump address.\n");
}

}  // namespace
}  // namespace rq50::program
