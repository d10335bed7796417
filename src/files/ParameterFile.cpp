#include "files/ParameterFile.h"

#include "files/FileError.h"
#include "files/RecordFile.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"

namespace rq50::files {

namespace {

void WriteHeader(RecordWriter& out, const DataSetHeader& h) {
    out.CountedText(h.model);
    out.Int32(h.slot);
    // The four starts in category order: DISPLAY, SET, ADJUST, MAINT.
    for (const std::int32_t start : h.starts) out.Int32(start);
    out.Int32(h.displayCount);
    out.Int32(h.setCount);
    out.Int32(h.adjustCount);
    out.Int32(h.maintCount);
    out.Byte(h.customType);
}

DataSetHeader ReadHeader(RecordReader& in) {
    DataSetHeader h;
    h.model = in.CountedText();
    h.slot = in.Int32();
    for (std::int32_t& start : h.starts) start = in.Int32();
    h.displayCount = in.Int32();
    h.setCount = in.Int32();
    h.adjustCount = in.Int32();
    h.maintCount = in.Int32();
    h.customType = in.Byte();
    return h;
}

}  // namespace

Bytes EncodeParameterRecord(const ParameterFileRecord& record) {
    RecordWriter out;
    WriteInformationBlock(out, record.information);
    out.Fill(' ', kParameterReservedText);
    WriteHeader(out, record.header);
    out.Fill(0, kReservedZeroBytes);
    out.Blocks(record.items);
    return out.Take();
}

FileError DecodeParameterRecord(std::span<const std::uint8_t> bytes, ParameterFileRecord& out) {
    RecordReader in(bytes);
    ParameterFileRecord record;
    record.information = ReadInformationBlock(in);
    bool blank = in.Expect(' ', kParameterReservedText);
    // Spaces where the model's length stands are the wider reserved text of a
    // program file (no model code is 8224 characters long).
    if (in.Ok() && blank && in.NextAre(' ', 2)) return FileError::InvalidFormat;
    record.header = ReadHeader(in);
    blank = in.Expect(0, kReservedZeroBytes) && blank;
    if (in.Ok() && !blank) return FileError::InvalidFormat;
    record.items = in.Blocks();
    if (!in.Ok()) return in.RanPastEnd() ? FileError::InputPastEnd : FileError::InvalidFormat;
    out = std::move(record);
    return FileError::Ok;
}

ParameterFileRecord CurrentParameterRecord(const files::Workspace& ws) {
    return {ws.information, ws.header, ws.items.dataSet};
}

bool WriteParameterFile(files::Workspace& ws, const std::string& path) {
    const auto& items = ws.items.dataSet;
    if (items.empty()) {
        ReportNothingToSave(ws.hosts);
        return false;
    }
    if (!CheckSaveSpace(ws, path, items.size())) return false;
    const auto error = ReplaceFileContents(path, EncodeParameterRecord(CurrentParameterRecord(ws)));
    if (error != FileError::Ok) {
        ReportFileError(ws.hosts, error, shell::Catalogue(kTextSaveToFile));
        return false;
    }
    return true;
}

FileError LoadParameterFile(const std::string& path, ParameterFileRecord& out) {
    Bytes bytes;
    if (const auto error = ReadWholeFile(path, bytes); error != FileError::Ok) return error;
    return DecodeParameterRecord(bytes, out);
}

bool ReadParameterFile(files::Workspace& ws, const std::string& path,
                       const std::string& fileTitle) {
    ParameterFileRecord record;
    if (const auto error = LoadParameterFile(path, record); error != FileError::Ok) {
        ReportFileError(ws.hosts, error, shell::Catalogue(kTextReadParameterFile));
        return false;
    }
    SetInformationFileName(record.information, fileTitle.empty() ? FileTitleOf(path) : fileTitle);
    UseParameterRecord(ws, std::move(record));
    return true;
}

void UseParameterRecord(files::Workspace& ws, ParameterFileRecord record) {
    ws.information = std::move(record.information);
    ws.header = std::move(record.header);
    ws.items.dataSet = std::move(record.items);
}

}  // namespace rq50::files
