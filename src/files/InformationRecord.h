#pragma once

#include "files/BinaryRecord.h"

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

/// A record with the start-up defaults: captions "Title 1", "Title 2",
/// "Comment", file name "NewFile", the given date, every other text blank.
InformationRecord DefaultInformation(double date);

/// Sets the file-name field (padded or cut to its 40 characters).
void SetInformationFileName(InformationRecord& record, const std::string& fileTitle);

/// The 668-byte information block.
void WriteInformationBlock(RecordWriter& out, const InformationRecord& record);
InformationRecord ReadInformationBlock(RecordReader& in);

/// Text boxes of the information window, by index.
enum InfoBox : int {
    kBoxCaption1 = 0,
    kBoxTitle1 = 1,
    kBoxCaption2 = 2,
    kBoxTitle2 = 3,
    kBoxCreatedBy = 4,
    kBoxDate = 5,
    kBoxCaption3 = 6,
    kBoxComment = 7,
    kBoxInstrumentNo = 8,
};
inline constexpr int kInfoBoxCount = 9;

/// Most single-byte units box `box` may hold (20, 40 or 400).
std::size_t InfoBoxLimit(int box);

/// The window's editable state: the nine boxes (UTF-8, as the window or the
/// command line hands them over) and the file-name label.
struct InfoForm {
    std::array<std::string, kInfoBoxCount> boxes;
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
bool ValidateInfoField(const shell::Services& hosts, int box, std::string& text);

/// The OK button: refuses an empty date (message 32) or a date that is no date
/// (message 13), then stores every box, trimmed, into `record`. Returns false,
/// with `record` unchanged, when it refused.
bool ApplyInformationOk(const shell::Services& hosts, InfoForm& form, InformationRecord& record);

}  // namespace rq50::files
