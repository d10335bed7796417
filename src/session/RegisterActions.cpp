#include "session/RegisterActions.h"

#include "comm/Engine.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::shell;

bool LoadRecord(Workspace& ws, const plant::Record& record) {
    const std::string title = record.fileName.empty()
                                  ? record.instrument.Name() + files::ExtensionOf(record.fileKind)
                                  : record.fileName;
    if (record.fileKind == files::DataFileKind::kProgram) {
        files::ProgramFileRecord program;
        if (files::DecodeProgramRecord(record.bytes, program) != files::FileError::Ok) return false;
        files::SetInformationFileName(program.information, files::Utf8ToSingleByte(title));
        files::UseProgramRecord(ws, std::move(program));
        ws.program.fileName = files::Utf8ToSingleByte(title);
        ws.program.sourceRecords = ws.program.records;
        return true;
    }
    files::ParameterFileRecord set;
    if (files::DecodeParameterRecord(record.bytes, set) != files::FileError::Ok) return false;
    files::SetInformationFileName(set.information, files::Utf8ToSingleByte(title));
    files::UseParameterRecord(ws, std::move(set));
    return true;
}

std::optional<plant::Record> RestoreRecordFor(plant::PlantRegister& reg, const std::string& name,
                                              std::int64_t id, files::DataFileKind kind,
                                              std::string& why) {
    if (id == 0) {
        auto good = reg.LastGood(name, kind);
        if (!good) {
            why = "the register holds no good " +
                  std::string(kind == files::DataFileKind::kProgram ? "program" : "parameter set") +
                  " of " + name + " (an upload, or a download whose read-back matched its file)";
        }
        return good;
    }
    auto record = reg.Get(id);
    if (!record) {
        why = "the register holds no record " + std::to_string(id);
    } else if (record->instrument.Name() != name) {
        why = "record " + std::to_string(id) + " is of " + record->instrument.Name() + ", not of " +
              name;
    } else if (record->fileKind != kind) {
        why = "record " + std::to_string(id) + " holds a " +
              (record->fileKind == files::DataFileKind::kProgram ? "program" : "parameter set");
    } else {
        return record;
    }
    return std::nullopt;
}

bool StartRestore(Workspace& ws, const plant::Record& record, Screen screen,
                  std::unique_ptr<DownloadQuestions> questions) {
    if (!LoadRecord(ws, record)) return false;
    const bool program = record.fileKind == files::DataFileKind::kProgram;
    DownloadRequest request;
    // The hand-back goes to the screen the restore starts from: the program
    // editor for a program, as its own download's does, else the data view.
    request.job = comm::JobRequest{program ? comm::kJobProgramDownload : comm::kJobDownload,
                                   Catalogue(program ? kTextProgramDownload : kTextDownload)};
    request.caller = program ? kCallerProgramEditor : kCallerDataViewDownload;
    request.job.recordAs = "restore";
    request.kind = record.fileKind;
    request.screen = screen;
    request.file = record.fileName.empty() ? record.instrument.Name() : record.fileName;
    return StartSafeDownload(ws, std::move(request), std::move(questions));
}

}  // namespace rq50::session
