// The programmer's command protocol: the frames the PC sends, the wait for a
// reply, and the block arithmetic of the selected device.
//
// Every exchange starts on the PC side. A frame is a length byte n and n
// bytes, written to the port in one piece:
//   command frame   01 letter
//   block request   04 AH AL 00 01                  -> 17-byte block reply
//   block write     14 AH AL 00 10 + 16 data bytes  -> 3-byte status reply
// A block reply is a count n and the bytes of addresses A .. A+n-2; a
// status reply has the status in byte 1 (0 = written) and, on failure, the
// low byte of the failing address in byte 2.
#pragma once

#include "core/modFunc.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace DeviceProtocol {

constexpr int BlockBytes = 16;
constexpr int MaxBlocks = modFunc::MaxDeviceSize / BlockBytes;  // 16-bit addresses
constexpr int BlockReplyBytes = 17;
constexpr int StatusReplyBytes = 3;

// Command letters.
constexpr uint8_t LetterRead = 'R';
constexpr uint8_t LetterWrite = 'W';
constexpr uint8_t LetterErase = 'E';
constexpr uint8_t LetterLock = 'L';
constexpr uint8_t LetterEnd = 'I';

// The block write frame as SendBlockWrite assembled it last.
extern QByteArray TxFrame;

// ---- device arithmetic (no port) ----------------------------------------
// Size / 16, rounded to the nearest whole number with ties to even; 0 for
// sizes that make no block.
int BlockCount(int32_t size);
// Empty when the functions can serve the selected device; otherwise a short
// text for the message line that says why not.
QString FunctionProblem(int16_t deviceIndex, const modFunc::DeviceRecord& device);
QString FunctionProblem();  // for the selected device
// The same for Erase and Lock, which send one command and use no size: only a
// device that is selected and has a type letter.
QString CommandProblem(int16_t deviceIndex, const modFunc::DeviceRecord& device);
// Type codes 1 to 159 have a type letter, 0x61 + typeCode - 1 ('a' to
// 0xFF); TypeLetter gives -1 for any other code.
constexpr int MaxTypeCode = 0xFF - 0x61 + 1;
int TypeLetter(int typeCode);
// Empty when the code has a type letter, otherwise the message that says so
// and keeps every function from running.
QString TypeLetterProblem(int typeCode);
bool EraseOffered(int typeCode);  // type codes 9 and below, 12 and above
bool LockOffered(int typeCode);   // type codes 9 and below
// (block * 100) div count, truncating.
int BlockPercent(int block, int count);
// How many data bytes of a block reply can be used: the count in byte 0
// less one, but never more than arrived and never more than 16.
int ReplyDataCount(const QByteArray& reply);

// ---- frames ---------------------------------------------------------------
QByteArray CommandFrame(uint8_t letter);
QByteArray BlockRequestFrame(int block);
// Assembles the block write frame of block b in TxFrame from buffer[16b ..
// 16b+15]; b must lie below MaxBlocks.
void AssembleBlockWrite(int block, const uint8_t* buffer);

// ---- the link (modFunc::cm) -----------------------------------------------
// Each writes one frame; false when the port could not take it.
bool SendCommand(uint8_t letter);
bool SendBlockRequest(int block);
bool SendBlockWrite(int block);
// Waits for count bytes (WaitForBytes). True with every waiting byte in
// RxData; false on a time-out or a failed port. The port then wakes only
// for whole replies, until a ReplyWaits of the function ends.
bool AwaitReply(int count);
// Held by a function for as long as it awaits replies; when it goes, every
// received byte wakes the event loop again.
struct ReplyWaits {
    ReplyWaits() = default;
    ReplyWaits(const ReplyWaits&) = delete;
    ReplyWaits& operator=(const ReplyWaits&) = delete;
    ~ReplyWaits();
};
// Drops whatever is waiting in the port (late bytes of an earlier function).
void DiscardStaleInput();

}  // namespace DeviceProtocol
