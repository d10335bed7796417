#include "FileTestSupport.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/SingleByteText.h"
#include "shell/Catalogue.h"

#include <gtest/gtest.h>

#include <limits>

namespace rq50::files {
namespace {

TEST(OleDate, KnownDatesBothWays) {
    struct Row {
        double ole;
        DateTimeParts parts;
    };
    for (const Row& r :
         {Row{0.0, {1899, 12, 30, 0, 0, 0}}, Row{36526.0, {2000, 1, 1, 0, 0, 0}},
          Row{46362.4375, {2026, 12, 6, 10, 30, 0}}, Row{-1.25, {1899, 12, 29, 6, 0, 0}},
          Row{60.0, {1900, 2, 28, 0, 0, 0}}, Row{61.0, {1900, 3, 1, 0, 0, 0}}}) {
        SCOPED_TRACE(r.ole);
        EXPECT_EQ(OleDateToParts(r.ole), r.parts);
        EXPECT_DOUBLE_EQ(PartsToOleDate(r.parts).value(), r.ole);
    }
    EXPECT_EQ(FormatGeneralDate(46362.4375), "2026/12/06 10:30:00");
    EXPECT_EQ(FormatIsoDate(46362.4375), "2026-12-06T10:30:00");
    // A time a hair before midnight rounds into the next day, not to 24:00:00.
    EXPECT_EQ(FormatGeneralDate(36526.0 - 1e-9), "2000/01/01 00:00:00");
}

TEST(OleDate, ValuesThatAreNoDateGiveNoText) {
    for (double v : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1e300, -1e300, 2958466.0}) {
        EXPECT_EQ(FormatGeneralDate(v), "");
        EXPECT_EQ(FormatIsoDate(v), "");
    }
}

TEST(NormaliseInfoDate, AcceptsGeneralAndIsoForms) {
    for (const char* text : {"2026/12/06 10:30:00", "2026/12/6 10:30", " 2026-12-06T10:30:00 ",
                             "2026-12-06 10:30:00", "2026-12-06T10:30"}) {
        std::string box = text;
        EXPECT_TRUE(NormaliseInfoDate(box)) << text;
        EXPECT_EQ(box, "2026/12/06 10:30:00");
    }
    std::string dateOnly = "2024/02/29";
    EXPECT_TRUE(NormaliseInfoDate(dateOnly));
    EXPECT_EQ(dateOnly, "2024/02/29 00:00:00");
}

TEST(NormaliseInfoDate, RejectsImpossibleDates) {
    for (const char* text :
         {"2026/02/30", "2023/02/29", "1900/02/29", "2026/13/01", "2026/00/10",
          "2026/12/06 24:00:00", "2026/12/06 10:60", "2026/12/06 10:30:60", "0099/01/01",
          "2026/12-06", "2026/12/06T10:30", "26/12/06", "2026/12/06 10:30:00x", "", "yesterday"}) {
        std::string box = text;
        EXPECT_FALSE(NormaliseInfoDate(box)) << text;
        EXPECT_EQ(box, text);
    }
}

TEST(ValidateInfoField, LimitsCountSingleByteUnits) {
    test::ScopedFakeServices services;
    files::Workspace& ws = services.ws;
    struct Row {
        InfoBox box;
        std::size_t limit;
    };
    for (const Row r : {Row{InfoBox::Caption1, 20}, Row{InfoBox::Caption3, 20}, Row{InfoBox::Title1, 40},
                        Row{InfoBox::InstrumentNo, 40}, Row{InfoBox::Comment, 400}}) {
        std::string fits(r.limit, 'x');
        std::string over(r.limit + 1, 'x');
        EXPECT_TRUE(ValidateInfoField(ws.hosts, r.box, fits));
        EXPECT_FALSE(ValidateInfoField(ws.hosts, r.box, over));
    }
    // Latin-1 letters count one unit, other characters two.
    std::string accented = std::string(18, 'x') + "\xC3\xA9\xC3\xA9";  // 18 + "éé"
    std::string wide = std::string(19, 'x') + "\xE6\xB8\xA9";          // 19 + one CJK
    EXPECT_TRUE(ValidateInfoField(ws.hosts, InfoBox::Caption2, accented));
    EXPECT_FALSE(ValidateInfoField(ws.hosts, InfoBox::Caption2, wide));
    EXPECT_EQ(services.Texts(), std::vector<std::string>(6, shell::Catalogue(1513)));

    services.messages.boxes.clear();
    std::string empty = "   ";
    std::string impossible = "2026/02/30";
    std::string valid = "2026-02-28";
    EXPECT_TRUE(ValidateInfoField(ws.hosts, InfoBox::Date, empty));
    EXPECT_FALSE(ValidateInfoField(ws.hosts, InfoBox::Date, impossible));
    EXPECT_TRUE(ValidateInfoField(ws.hosts, InfoBox::Date, valid));
    EXPECT_EQ(valid, "2026/02/28 00:00:00");
    EXPECT_EQ(services.Texts(), std::vector<std::string>{shell::Catalogue(1513)});
}

TEST(InformationOk, EmptyOrBadDateIsRefusedAndNothingStored) {
    test::ScopedFakeServices services;
    files::Workspace& ws = services.ws;
    const InformationRecord before = DefaultInformation(46362.4375);
    InformationRecord record = before;
    InfoForm form = InfoFormFromRecord(record);
    form.boxes[InfoBox::Title1] = "changed";
    form.boxes[InfoBox::Date] = "  ";
    EXPECT_FALSE(ApplyInformationOk(ws.hosts, form, record));
    form.boxes[InfoBox::Date] = "2026/02/30 10:00";
    EXPECT_FALSE(ApplyInformationOk(ws.hosts, form, record));
    EXPECT_EQ(record, before);
    ASSERT_EQ(services.messages.boxes.size(), 2u);
    EXPECT_EQ(services.messages.boxes[0].text, shell::Catalogue(1537));
    EXPECT_EQ(services.messages.boxes[0].title, shell::Catalogue(2601));
    EXPECT_EQ(services.messages.boxes[1].text, shell::Catalogue(1513));
}

TEST(InformationOk, StoresTrimmedPaddedFields) {
    test::ScopedFakeServices services;
    files::Workspace& ws = services.ws;
    InformationRecord record = DefaultInformation(0.0);
    InfoForm form = InfoFormFromRecord(record);
    EXPECT_EQ(form.boxes[InfoBox::Caption1], "Title 1");
    EXPECT_EQ(form.fileNameLabel, "NewFile");
    form.boxes[InfoBox::Title1] = "  Boiler 3  ";
    form.boxes[InfoBox::CreatedBy] = "Jos\xC3\xA9";  // UTF-8 from the window
    form.boxes[InfoBox::Comment] = "line 1\r\nline 2";
    form.boxes[InfoBox::Date] = "2026-12-06T10:30:00";
    ASSERT_TRUE(ApplyInformationOk(ws.hosts, form, record));
    EXPECT_EQ(record.title1, FixedLength("Boiler 3", 40));
    EXPECT_EQ(record.createdBy, FixedLength("Jos\xE9", 40));  // single-byte in the record
    EXPECT_EQ(record.comment, FixedLength("line 1\r\nline 2", 400));
    EXPECT_DOUBLE_EQ(record.date, 46362.4375);
    EXPECT_EQ(record.fileName, FixedLength("NewFile", 40));
    EXPECT_TRUE(services.messages.boxes.empty());
    EXPECT_EQ(InfoFormFromRecord(record).boxes[InfoBox::CreatedBy], "Jos\xC3\xA9");
}

}  // namespace
}  // namespace rq50::files
