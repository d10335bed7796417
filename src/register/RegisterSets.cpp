// What the register reads out of a set's bytes: the items two sets differ
// in, and the identity a set names.
#include "files/Backup.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "register/PlantRegister.h"
#include "shell/TextTrim.h"

namespace rq50::plant {

using files::DataFileKind;

std::vector<files::ItemDifference> DiffSets(const Blob& a, const Blob& b, DataFileKind kind) {
    if (kind == DataFileKind::kProgram) {
        files::ProgramFileRecord first, second;
        if (files::DecodeProgramRecord(a, first) != files::FileError::Ok ||
            files::DecodeProgramRecord(b, second) != files::FileError::Ok) {
            throw RegisterError("a program set in the register cannot be read");
        }
        return files::ComparePrograms(first, second, false);
    }
    files::ParameterFileRecord first, second;
    if (files::DecodeParameterRecord(a, first) != files::FileError::Ok ||
        files::DecodeParameterRecord(b, second) != files::FileError::Ok) {
        throw RegisterError("a parameter set in the register cannot be read");
    }
    return files::CompareDataSets(first.items, second.items, files::CompareScope::kAllButMeasured,
                                  first.header.starts[files::Category::Set],
                                  first.header.starts[files::Category::Adjust]);
}

Instrument IdentityOf(const Blob& bytes, DataFileKind kind) {
    Instrument in;
    files::InformationRecord info;
    if (kind == DataFileKind::kProgram) {
        files::ProgramFileRecord record;
        if (files::DecodeProgramRecord(bytes, record) != files::FileError::Ok) return in;
        in.model = record.header.modelCode;
        info = record.information;
    } else {
        files::ParameterFileRecord record;
        if (files::DecodeParameterRecord(bytes, record) != files::FileError::Ok) return in;
        in.model = record.header.model;
        in.tag = files::SingleByteToUtf8(files::TagOf(record.items));
        info = record.information;
    }
    in.model = files::SingleByteToUtf8(shell::Trim(in.model));
    in.instrumentNo = files::SingleByteToUtf8(shell::Trim(info.instrumentNo));
    in.plant = files::SingleByteToUtf8(shell::Trim(info.title1));
    in.area = files::SingleByteToUtf8(shell::Trim(info.title2));
    return in;
}

}  // namespace rq50::plant
