#include "files/InformationRecord.h"

#include "files/OleDate.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::files {

namespace {}  // namespace

InformationRecord DefaultInformation(double date) {
    InformationRecord r;
    r.caption1 = FixedLength(shell::Catalogue(kTextTitle1), kCaptionLength);
    r.caption2 = FixedLength(shell::Catalogue(kTextTitle2), kCaptionLength);
    r.caption3 = FixedLength(shell::Catalogue(kTextComment), kCaptionLength);
    r.title1 = FixedLength("", kInfoTextLength);
    r.title2 = FixedLength("", kInfoTextLength);
    r.createdBy = FixedLength("", kInfoTextLength);
    r.date = date;
    r.fileName = FixedLength(shell::Catalogue(kTextNewFile), kInfoTextLength);
    r.instrumentNo = FixedLength("", kInfoTextLength);
    r.comment = FixedLength("", kInfoCommentLength);
    return r;
}

void SetInformationFileName(InformationRecord& record, const std::string& fileTitle) {
    // The name comes as the file system has it (UTF-8); the record holds
    // single-byte text like every other file text.
    record.fileName = FixedLength(Utf8ToSingleByte(fileTitle), kInfoTextLength);
}

void WriteInformationBlock(RecordWriter& out, const InformationRecord& r) {
    out.FixedText(r.caption1, kCaptionLength);
    out.FixedText(r.caption2, kCaptionLength);
    out.FixedText(r.caption3, kCaptionLength);
    out.FixedText(r.title1, kInfoTextLength);
    out.FixedText(r.title2, kInfoTextLength);
    out.FixedText(r.createdBy, kInfoTextLength);
    out.Date(r.date);
    out.FixedText(r.fileName, kInfoTextLength);
    out.FixedText(r.instrumentNo, kInfoTextLength);
    out.FixedText(r.comment, kInfoCommentLength);
}

InformationRecord ReadInformationBlock(RecordReader& in) {
    InformationRecord r;
    r.caption1 = in.FixedText(kCaptionLength);
    r.caption2 = in.FixedText(kCaptionLength);
    r.caption3 = in.FixedText(kCaptionLength);
    r.title1 = in.FixedText(kInfoTextLength);
    r.title2 = in.FixedText(kInfoTextLength);
    r.createdBy = in.FixedText(kInfoTextLength);
    r.date = in.Date();
    r.fileName = in.FixedText(kInfoTextLength);
    r.instrumentNo = in.FixedText(kInfoTextLength);
    r.comment = in.FixedText(kInfoCommentLength);
    return r;
}

std::size_t InfoBoxLimit(InfoBox box) {
    switch (box) {
        case InfoBox::Caption1:
        case InfoBox::Caption2:
        case InfoBox::Caption3:
            return kCaptionLength;
        case InfoBox::Comment:
            return kInfoCommentLength;
        default:
            return kInfoTextLength;
    }
}

InfoForm InfoFormFromRecord(const InformationRecord& r) {
    InfoForm f;
    auto box = [&f](InfoBox index, const std::string& text) {
        f.boxes[index] = SingleByteToUtf8(shell::TrimRight(text));
    };
    box(InfoBox::Caption1, r.caption1);
    box(InfoBox::Title1, r.title1);
    box(InfoBox::Caption2, r.caption2);
    box(InfoBox::Title2, r.title2);
    box(InfoBox::CreatedBy, r.createdBy);
    f.boxes[InfoBox::Date] = FormatGeneralDate(r.date);
    box(InfoBox::Caption3, r.caption3);
    box(InfoBox::Comment, r.comment);
    box(InfoBox::InstrumentNo, r.instrumentNo);
    f.fileNameLabel = SingleByteToUtf8(shell::TrimRight(r.fileName));
    return f;
}

bool NormaliseInfoDate(std::string& text) {
    const auto date = ParseDateText(text);
    if (!date) return false;
    text = FormatGeneralDate(*date);
    return true;
}

bool ValidateInfoField(const shell::Services& hosts, InfoBox box, std::string& text) {
    std::string field;
    if (box == InfoBox::Date) {
        if (shell::Trim(text).empty() || NormaliseInfoDate(text)) return true;
        // The box's title names the field that was refused.
        field = shell::Catalogue(kTextDate);
        while (!field.empty() && (field.back() == ':' || field.back() == ' ')) field.pop_back();
    } else if (SingleByteUnits(text) <= InfoBoxLimit(box)) {
        return true;
    }
    shell::ShowMessage(hosts, kMsgIllegalValue, shell::MsgButtons::Ok, field);
    return false;
}

bool ApplyInformationOk(const shell::Services& hosts, InfoForm& form, InformationRecord& record) {
    std::string& dateBox = form.boxes[InfoBox::Date];
    if (shell::Trim(dateBox).empty()) {
        shell::ShowMessage(hosts, kMsgDateNotEntered, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextInformationCaption));
        return false;
    }
    if (!ValidateInfoField(hosts, InfoBox::Date, dateBox)) return false;

    auto field = [&form](InfoBox index, std::size_t length) {
        return FixedLength(Utf8ToSingleByte(shell::Trim(form.boxes[index])), length);
    };
    InformationRecord r;
    r.caption1 = field(InfoBox::Caption1, kCaptionLength);
    r.caption2 = field(InfoBox::Caption2, kCaptionLength);
    r.caption3 = field(InfoBox::Caption3, kCaptionLength);
    r.title1 = field(InfoBox::Title1, kInfoTextLength);
    r.title2 = field(InfoBox::Title2, kInfoTextLength);
    r.createdBy = field(InfoBox::CreatedBy, kInfoTextLength);
    r.date = ParseDateText(dateBox).value_or(record.date);
    r.fileName = FixedLength(Utf8ToSingleByte(shell::Trim(form.fileNameLabel)), kInfoTextLength);
    r.instrumentNo = field(InfoBox::InstrumentNo, kInfoTextLength);
    r.comment = field(InfoBox::Comment, kInfoCommentLength);
    record = r;
    return true;
}

std::array<InformationLine, 7> InformationLines(const InformationRecord& r) {
    using Field = InformationLine::Field;
    auto line = [](Field field, const std::string& label, const std::string& value) {
        return InformationLine{field, shell::TrimRight(label), shell::TrimRight(value)};
    };
    return {line(Field::Title1, r.caption1, r.title1),
            line(Field::Title2, r.caption2, r.title2),
            line(Field::CreatedBy, shell::Catalogue(kTextCreatedBy), r.createdBy),
            line(Field::Date, shell::Catalogue(kTextDate), FormatGeneralDate(r.date)),
            line(Field::FileName, shell::Catalogue(kTextFileName), r.fileName),
            line(Field::InstrumentNo, shell::Catalogue(kTextInstrumentNo), r.instrumentNo),
            line(Field::Comment, r.caption3, r.comment)};
}

}  // namespace rq50::files
