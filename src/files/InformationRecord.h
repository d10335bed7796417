#pragma once

#include "files/BinaryRecord.h"
#include "shell/EnumArray.h"

#include <array>
#include <cstddef>
#include <string>
#include "shell/Services.h"

namespace rq50::files {

inline constexpr std::size_t kCaptionLength = 20;
inline constexpr std::size_t kInfoTextLength = 40;
inline constexpr std::size_t kInfoCommentLength = 400;
/// Size of the information block at the start of both file kinds.
inline constexpr std::size_t kInformationBlockSize = 668;

/// Who made a data set or program, when, under which file name and for which
/// instrument. Texts are single-byte and always exactly their fixed length,
/// padded with spaces.
struct InformationRecord {
    std::string caption1;      ///< caption of title 1 (20)
    std::string caption2;      ///< caption of title 2 (20)
    std::string caption3;      ///< caption of the comment (20)
    std::string title1;        ///< 40
    std::string title2;        ///< 40
    std::string createdBy;     ///< 40
    double date = 0.0;         ///< OLE Automation date
    std::string fileName;      ///< 40
    std::string instrumentNo;  ///< 40
    std::string comment;       ///< 400, may hold CR LF line breaks
    friend bool operator==(const InformationRecord&, const InformationRecord&) = default;
};

/// One field of the information record as the reports show it: its label (the
/// record's own caption for the titles and the comment) and its value, both
/// single-byte with their trailing blanks removed; the date in the general
/// date-and-time form.
struct InformationLine {
    enum class Field { Title1, Title2, CreatedBy, Date, FileName, InstrumentNo, Comment };
    Field field;
    std::string label;
    std::string value;
};

/// The seven fields in the order of the information window and the CSV file
/// (titles, creator, date, file name, instrument number, comment); a printed
/// report puts the creator's four first (PrintedInformationOrder).
std::array<InformationLine, 7> InformationLines(const InformationRecord& record);

/// The order of the printed information block: creator, date, file name,
/// instrument number, then the titles and the comment.
inline constexpr std::array<std::size_t, 7> kPrintedInformationOrder = {2, 3, 4, 5, 0, 1, 6};

/// A record with the start-up defaults: captions "Title 1", "Title 2",
/// "Comment", file name "NewFile", the given date, every other text blank.
InformationRecord DefaultInformation(double date);

/// Sets the file-name field (padded or cut to its 40 characters).
void SetInformationFileName(InformationRecord& record, const std::string& fileTitle);

/// The 668-byte information block.
void WriteInformationBlock(RecordWriter& out, const InformationRecord& record);
InformationRecord ReadInformationBlock(RecordReader& in);

/// Text boxes of the information window, by index.
enum class InfoBox : int {
    Caption1 = 0,
    Title1 = 1,
    Caption2 = 2,
    Title2 = 3,
    CreatedBy = 4,
    Date = 5,
    Caption3 = 6,
    Comment = 7,
    InstrumentNo = 8,
};
inline constexpr int kInfoBoxCount = 9;
/// The boxes in window order.
inline constexpr InfoBox kInfoBoxes[kInfoBoxCount] = {
    InfoBox::Caption1, InfoBox::Title1,  InfoBox::Caption2, InfoBox::Title2,      InfoBox::CreatedBy,
    InfoBox::Date,     InfoBox::Caption3, InfoBox::Comment, InfoBox::InstrumentNo};
/// The box's position in the window's arrays.
constexpr std::size_t Index(InfoBox box) { return static_cast<std::size_t>(box); }

/// Most single-byte units box `box` may hold (20, 40 or 400).
std::size_t InfoBoxLimit(InfoBox box);

/// The window's editable state: the nine boxes (UTF-8, as the window or the
/// command line hands them over) and the file-name label.
struct InfoForm {
    shell::EnumArray<InfoBox, std::string, kInfoBoxCount> boxes;
    std::string fileNameLabel;
};

/// The boxes as the window fills them from `record`: texts without trailing
/// blanks, the date in the general date-and-time form.
InfoForm InfoFormFromRecord(const InformationRecord& record);

/// True when `text` is a date; rewrites it in the general date-and-time form.
bool NormaliseInfoDate(std::string& text);

/// Check run when box `box` is left. The date box accepts an empty text (OK
/// catches it) and is otherwise normalised; other boxes must fit their limit
/// in single-byte units. Shows message 13 "Illegal value entered." and returns
/// false when the text is not acceptable.
bool ValidateInfoField(const shell::Services& hosts, InfoBox box, std::string& text);

/// The OK button: refuses an empty date (message 32) or a date that is no date
/// (message 13), then stores every box, trimmed, into `record`. Returns false,
/// with `record` unchanged, when it refused.
bool ApplyInformationOk(const shell::Services& hosts, InfoForm& form, InformationRecord& record);

}  // namespace rq50::files
