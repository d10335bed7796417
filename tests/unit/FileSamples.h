#pragma once

// The sample parameter data set and program used by the file tests, and their
// file bytes built member by member from the layouts.

#include "FileTestSupport.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"

#include <string>
#include <vector>

namespace rq50::files::test {

// 6 December 2026 10:30:00 (46362 days after 30 December 1899, plus 10.5 h).
inline constexpr double kSampleDate = 46362.4375;

inline parameter::ItemBlock Block(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                  std::uint8_t b3, const std::string& text) {
    parameter::ItemBlock block{};
    block[0] = b0;
    block[1] = b1;
    block[2] = b2;
    block[3] = b3;
    for (std::size_t i = 0; i < text.size() && i + 4 < block.size(); ++i) {
        block[i + 4] = static_cast<std::uint8_t>(text[i]);
    }
    return block;
}

inline InformationRecord SampleInformation(const std::string& fileName) {
    InformationRecord r;
    r.caption1 = FixedLength("Title 1", 20);
    r.caption2 = FixedLength("Plant, area", 20);
    r.caption3 = FixedLength("Comment", 20);
    r.title1 = FixedLength("Boiler 3 \"feed\"", 40);
    r.title2 = FixedLength("Line B", 40);
    r.createdBy = FixedLength("K. Sato", 40);
    r.date = kSampleDate;
    r.fileName = FixedLength(fileName, 40);
    r.instrumentNo = FixedLength("FIC-101", 40);
    r.comment = FixedLength("Checked\r\nafter repair", 400);
    return r;
}

/// Three items: a DISPLAY group of two (MA 1) and one SET item (MA 3).
inline ParameterFileRecord SampleParameterRecord() {
    ParameterFileRecord r;
    r.information = SampleInformation("PLANT1.7pa");
    r.header.model = "RQB2";
    r.header.slot = 3;
    r.header.starts[files::Category::Display] = 1;
    r.header.starts[files::Category::Set] = 3;
    r.header.starts[files::Category::Adjust] = 5;
    r.header.starts[files::Category::Maint] = 7;
    r.header.displayCount = 1;
    r.header.setCount = 1;
    r.header.adjustCount = 0;
    r.header.maintCount = 0;
    r.header.customType = 0x05;
    r.items = {Block(0x80, 0x01, 0x00, 0x00, "INPUT   +0012.50"),
               Block(0xC2, 0x01, 0x01, 0x00, "PV      +012.34 degC    "),
               Block(0x83, 0x03, 0x05, 0x00, "SET,A   1A2B    ")};
    return r;
}

/// Information block of SampleInformation, from the offsets of the layout.
inline ByteBuilder& SampleInformationBytes(ByteBuilder& b, const std::string& fileName) {
    return b.Text("Title 1", 20)
        .Text("Plant, area", 20)
        .Text("Comment", 20)
        .Text("Boiler 3 \"feed\"", 40)
        .Text("Line B", 40)
        .Text("K. Sato", 40)
        .F64(kSampleDate)
        .Text(fileName, 40)
        .Text("FIC-101", 40)
        .Text("Checked\r\nafter repair", 400);
}

inline std::vector<std::uint8_t> SampleParameterBytes() {
    ByteBuilder b;
    SampleInformationBytes(b, "PLANT1.7pa");
    b.Repeat(' ', 26);
    b.U16(4).Text("RQB2", 4).I32(3).I32(1).I32(3).I32(5).I32(7).I32(1).I32(1).I32(0).I32(0).U8(5);
    b.Repeat(0, 9);
    b.U16(1).I32(3).I32(0);
    for (const auto& block : SampleParameterRecord().items) b.Raw({block.begin(), block.end()});
    return b.bytes;
}

/// Three PROGRAM steps (P01..P03) and two CONST items (Q01, Q02).
inline ProgramFileRecord SampleProgramRecord() {
    ProgramFileRecord r;
    r.information = SampleInformation("MIX.7pr");
    r.header.modelCode = "RQK2";
    r.header.slotNumber = 2;
    r.header.programAreaLetter = 16;
    r.header.programStartNumber = 1;
    r.header.constAreaLetter = 17;
    r.header.constStartNumber = 1;
    r.header.stepCount = 3;
    r.header.constCount = 2;
    r.header.stepComments = {FixedLength("load input", 25), FixedLength("store, out", 25),
                             FixedLength("", 25)};
    r.items = {Block(0x81, 16, 1, 0, "        LDX1    "), Block(0x81, 16, 2, 0, "        STY1    "),
               Block(0x81, 16, 3, 0, "        END     "), Block(0x85, 17, 1, 0, "        +12.5000"),
               Block(0x85, 17, 2, 0, "        -0.50000")};
    return r;
}

inline std::vector<std::uint8_t> SampleProgramBytes() {
    ByteBuilder b;
    SampleInformationBytes(b, "MIX.7pr");
    b.Repeat(' ', 76);
    b.U16(4).Text("RQK2", 4).I32(2).I32(16).I32(1).I32(17).I32(1).I32(3).I32(2);
    b.U16(1).I32(3).I32(0).Text("load input", 25).Text("store, out", 25).Text("", 25);
    b.Repeat(0, 9);
    b.U16(1).I32(5).I32(0);
    for (const auto& block : SampleProgramRecord().items) b.Raw({block.begin(), block.end()});
    return b.bytes;
}

}  // namespace rq50::files::test
