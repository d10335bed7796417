#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "parameter/ItemBlock.h"

namespace rq50::comm {

class SerialPort;

/// Line settings of the serial link, one instance (`CommSettings`). The
/// variables of the link below are fields of the engine's state
/// (comm/EngineState.h) under their documented names.
struct PortSettings {
    std::int32_t speed = 1200;  ///< bit/s used at the next open: 1200 or 9600
    std::string parity = "N";
    int dataBits = 8;
    std::string stopBits = "1";
    /// Device path that replaces the COMn mapping (--port of the programs);
    /// empty when the port number decides.
    std::string deviceOverride;
};

extern PortSettings& CommSettings;

/// "1200,N,8,1" or "9600,N,8,1": speed, parity, data bits, stop bits.
std::string CommSettingsString();

/// The device behind COMn: the stored setting "COMnDevice", else /dev/ttyS(n-1)
/// on Linux and COMn on Windows.
std::string DeviceForPort(int portNumber);

/// The device the link opens: the override when set, else the device of the
/// application state's port number (COM1-COM4 of the "Serial Port" menu).
std::string CommDevice();

/// The line as the status bar names it: the device (or `demoName`, the
/// simulated instrument that serves the port), the speed, and the instrument
/// the last job reached ("ZNC slot 3: RQB2" behind a rack interface).
std::string LineStatusText(const std::string& demoName = {});

/// Start-up: the port number from the stored setting "COMPORT" (1-4, else 1)
/// and the line settings 1200,N,8,1.
void InitCommSettings();

// ---- Requests ---------------------------------------------------------------

/// Function codes of MakeFrame; the command byte is function * 8 + sub-function.
enum RequestFunction : int {
    kFnCommand = 2,      ///< 10h
    kFnWrite = 8,        ///< 40h
    kFnRead = 16,        ///< 80h-86h with sub-functions 0, 2, 4, 5, 6
    kFnWriteAlias = 99,  ///< turned into kFnWrite before use
};

constexpr int kSendDataSize = 28;

/// The request being built; rebuilt for every request.
extern std::vector<std::uint8_t>& SendBuffer;
/// Data bytes of the next write request and how many of them it carries
/// (0, 8 or 16).
extern std::array<std::uint8_t, kSendDataSize>& SendData;
extern int& SendDataCount;

void ClearSendData();
/// Clears the data area and puts `text` (8 or 16 characters) into it.
void SetSendDataText(const std::string& text);

/// General request builder: header, address, data of a write, checksum.
/// A non-zero `retry` marks the frame as a retransmission.
void MakeFrame(int retry, int function, int subFunction, int ma, int mb, int mc);

// The request shapes the transactions use; they take the engine's retry counter.
void ReqFirstItem();
void ReqItem(int ma, int mb, int mc);
void ReqItem82(int ma);
void ReqNextMB(int ma, int mb);
void ReqPrevMB(int ma, int mb);
void ReqItem86(int ma, int mb, int mc);
void ReqCommand10(int ma, int mb, int mc);
void ReqWrite(int ma, int mb, int mc);

// ---- Responses --------------------------------------------------------------

constexpr int kHeaderSize = 8;

/// Reception states of `CommRecvStatus`.
enum RecvStatus : int { kRecvHeader = 0, kRecvBody = 1, kRecvComplete = 2 };

/// The response being received: header, texts and checksum.
extern std::vector<std::uint8_t>& RecvBuffer;
/// Text bytes that follow the header of the response being received.
extern int& RecvTextLength;

/// The last complete response, decoded; overwritten by every response.
extern int& RespItemType;
extern int& RespStatus;
extern int& RespDataKind;
extern int& RespNameLength;
extern int& RespMA;
extern int& RespDataLength;
extern int& RespMB;
extern int& RespMC;
extern int& RespTextLength;
extern std::string& RespName;
extern std::string& RespData;
extern std::string& RespAux;
/// Name text of the last complete response, trimmed and in upper case;
/// emptied at the end of every job.
extern std::string& LastRespName;
/// The same response as one decoded item.
extern parameter::DecodedItem& RespItem;

/// Text length L of a response from its header (bytes 4-6 of `header`).
int ResponseTextLength(const std::uint8_t* header);

/// Decodes a response (`hasPrefix`: the item starts at byte 4) or a stored item
/// block (it starts at byte 0) into the Resp* variables.
void DecodeResponse(const std::vector<std::uint8_t>& buffer, bool hasPrefix);

/// One polling step of reception; advances `recvStatus` (RecvStatus). A
/// header is taken only where a frame can begin (00h 00h 12h, or 52h):
/// bytes before that, the rest of an answer cut off by the clearing before a
/// request, are passed over.
void RecvFrame(SerialPort& port, int& recvStatus);

/// Forgets a reception in progress, so the next request waits for a fresh
/// frame.
void ResetReception();

/// True when the last byte of `frame` is the sum of the others modulo 256.
bool ChecksumOk(const std::vector<std::uint8_t>& frame);

/// Marks a request frame as a retransmission (byte 2 = 52h) and mends its
/// checksum: the frame the builder would make with a non-zero retry counter.
void MarkRetransmission(std::vector<std::uint8_t>& frame);

/// Whether the decoded response (Resp*) can be the answer to `request`: its
/// address must be the one the request names (the MA for 84h/85h, the head
/// MB 0 for 82h and the category starts, nothing for 10h). A rack's
/// "SLOT NO       00" belongs to every request.
bool AnswerBelongsTo(const std::vector<std::uint8_t>& request);

/// Hex mode: two upper-case digits and a blank per byte. ASCII mode: the byte
/// itself, control and upper-range bytes replaced by A5h.
std::string FrameToText(const std::vector<std::uint8_t>& bytes, bool asciiMode);

}  // namespace rq50::comm
