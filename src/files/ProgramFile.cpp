#include "files/ProgramFile.h"

#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"

namespace rq50::files {

namespace {

void WriteHeader(RecordWriter& out, const program::ProgramHeader& h) {
    out.CountedText(h.modelCode);
    out.Int32(h.slotNumber);
    out.Int32(h.programAreaLetter);
    out.Int32(h.programStartNumber);
    out.Int32(h.constAreaLetter);
    out.Int32(h.constStartNumber);
    out.Int32(h.stepCount);
    out.Int32(h.constCount);
    out.FixedTexts(h.stepComments, program::kCommentLength);
}

program::ProgramHeader ReadHeader(RecordReader& in) {
    program::ProgramHeader h;
    h.modelCode = in.CountedText();
    h.slotNumber = in.Int32();
    h.programAreaLetter = in.Int32();
    h.programStartNumber = in.Int32();
    h.constAreaLetter = in.Int32();
    h.constStartNumber = in.Int32();
    h.stepCount = in.Int32();
    h.constCount = in.Int32();
    h.stepComments = in.FixedTexts(program::kCommentLength);
    return h;
}

/// Most items an area holds: item numbers run from 1 to 63.
constexpr std::int32_t kMaxAreaItems = 63;

/// The header's counts fit the records that follow it: each within 0-63,
/// one record for each step and CONST item, steps (data kind 1) before
/// CONST items (data kind 5). Anything else is a damaged file, which would
/// otherwise show operators as constants or size the editor by nonsense.
bool CountsFitRecords(const program::ProgramHeader& h,
                      const std::vector<program::ProgramItemRecord>& items) {
    const auto inRange = [](std::int32_t count) { return count >= 0 && count <= kMaxAreaItems; };
    if (!inRange(h.stepCount) || !inRange(h.constCount)) return false;
    const auto steps = static_cast<std::size_t>(h.stepCount);
    if (items.size() != steps + static_cast<std::size_t>(h.constCount)) return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int kind = items[i][0] & 0x07;
        if (kind != (i < steps ? program::kKindProgramStep : program::kKindConstItem)) return false;
    }
    return true;
}

}  // namespace

Bytes EncodeProgramRecord(const ProgramFileRecord& record) {
    RecordWriter out;
    WriteInformationBlock(out, record.information);
    out.Fill(' ', kProgramReservedText);
    WriteHeader(out, record.header);
    out.Fill(0, kReservedZeroBytes);
    out.Blocks(record.items);
    return out.Take();
}

FileError DecodeProgramRecord(std::span<const std::uint8_t> bytes, ProgramFileRecord& out) {
    RecordReader in(bytes);
    ProgramFileRecord record;
    record.information = ReadInformationBlock(in);
    bool blank = in.Expect(' ', kProgramReservedText);
    if (in.Ok() && !blank) return FileError::InvalidFormat;
    record.header = ReadHeader(in);
    blank = in.Expect(0, kReservedZeroBytes);
    if (in.Ok() && !blank) return FileError::InvalidFormat;
    record.items = in.Blocks();
    if (!in.Ok()) return in.RanPastEnd() ? FileError::InputPastEnd : FileError::InvalidFormat;
    if (!CountsFitRecords(record.header, record.items)) return FileError::InvalidFormat;
    out = std::move(record);
    return FileError::Ok;
}

ProgramFileRecord CurrentProgramRecord(const files::Workspace& ws) {
    const auto& state = ws.program;
    return {ws.information, state.header, state.records};
}

bool WriteProgramFile(files::Workspace& ws, const std::string& path) {
    auto& state = ws.program;
    if (state.records.empty()) {
        ReportNothingToSave(ws.hosts);
        return false;
    }
    if (!CheckSaveSpace(ws, path, state.records.size())) return false;
    state.headerCopy = state.header;
    const auto error = ReplaceFileContents(path, EncodeProgramRecord(CurrentProgramRecord(ws)));
    if (error != FileError::Ok) {
        ReportFileError(ws.hosts, error, shell::Catalogue(kTextSaveToFile));
        return false;
    }
    state.fileName = FileTitleOf(path);
    state.sourceRecords = state.records;
    return true;
}

FileError LoadProgramFile(const std::string& path, ProgramFileRecord& out) {
    Bytes bytes;
    if (const auto error = ReadWholeFile(path, bytes); error != FileError::Ok) return error;
    return DecodeProgramRecord(bytes, out);
}

bool ReadProgramFile(files::Workspace& ws, const std::string& path, const std::string& fileTitle) {
    ProgramFileRecord record;
    if (const auto error = LoadProgramFile(path, record); error != FileError::Ok) {
        ReportFileError(ws.hosts, error, shell::Catalogue(kTextReadProgramFile));
        return false;
    }
    const std::string title = fileTitle.empty() ? FileTitleOf(path) : fileTitle;
    SetInformationFileName(record.information, title);
    UseProgramRecord(ws, std::move(record));
    ws.program.fileName = title;
    ws.program.sourceRecords = ws.program.records;
    return true;
}

void UseProgramRecord(files::Workspace& ws, ProgramFileRecord record) {
    auto& state = ws.program;
    ws.information = std::move(record.information);
    state.header = record.header;
    state.headerCopy = std::move(record.header);
    state.records = std::move(record.items);
}

}  // namespace rq50::files
