// Shared state and shared routines of the program. Everything here lives for
// the whole run; windows read and write it directly.
#pragma once

#include "core/HexText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace modFunc {

// ---- memory image ------------------------------------------------------
constexpr int BufferSize = 70001;          // indices 0 to 70000
constexpr int BufferLast = BufferSize - 1;
extern std::array<uint8_t, BufferSize> Buffer;

// ---- device table ------------------------------------------------------
struct DeviceRecord {
    QString Name;
    int16_t TypeCode = 0;
    int32_t Size = 0;
};
constexpr int DeviceSlots = 51;            // indices 0 to 50; 0 = no device
constexpr int MaxDeviceCount = DeviceSlots - 1;
extern std::array<DeviceRecord, DeviceSlots> DeviceTable;
extern int16_t DeviceCount;
extern int16_t DeviceIndex;

// The selected record, DeviceTable[DeviceIndex]; an out-of-range index
// (which start-up never lets through) reads as the empty record 0.
const DeviceRecord& SelectedDevice();
// True when DeviceIndex names a catalogue record (1 to 50), not record 0.
bool DeviceSelected();
// Largest Size the device functions and file saving can serve: the
// addresses are 16 bits wide.
constexpr int32_t MaxDeviceSize = 0x10000;
// Empty when the selected device can be used by the device functions and
// file saving, otherwise a message for the user saying why not.
QString DeviceProblem();
QString DeviceProblem(const DeviceRecord& device);

// ---- configuration -----------------------------------------------------
extern QString AppPath;                    // start directory
extern int16_t ComPort;                    // n of COMn

inline const QString ConfigFileName = QStringLiteral("quirra.cfg");
inline const QString CatalogueFileName = QStringLiteral("quirra.dev");
inline const QString AutoFileName = QStringLiteral("auto.cfg");
QString AppFile(const QString& name);      // AppPath + "/" + name

// ---- serial receive state ----------------------------------------------
extern bool TimeOutFlag;
extern int16_t RxExpected;
extern QByteArray RxData;
extern bool DeviceFound;

// ---- device functions and the Auto sequence ----------------------------
// The device functions in the order of the function list. Read to Lock are
// also the step codes of the Auto sequence and of auto.cfg; Auto runs it.
namespace Step {
enum Code : int16_t { Read = 0, Erase, Blank, Program, Verify, Lock, Auto };
}
// "Read", "Erase", ..., "Auto", indexed by Step::Code.
const QStringList& StepNames();
constexpr int MaxAutoSteps = 20;
extern int16_t AutoCount;
extern std::array<int16_t, MaxAutoSteps + 1> AutoList;  // 1..AutoCount used

// ---- text helpers ------------------------------------------------------
using HexText::Hex2;
using HexText::Hex4;

// Nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5
// gives 4, -0.5 gives 0). Used wherever a whole number is taken from a
// division of a device size.
int64_t RoundHalfEven(double x);

// ---- start-up files ----------------------------------------------------
// Each loader returns what was wrong with its file, one text per problem,
// empty when the file was fine or absent where absence is normal.
QStringList LoadConfig();
// Writes quirra.cfg; on failure returns false and sets *error.
bool SaveConfig(QString* error = nullptr);

// Start-up steps 1 to 4: AppPath (dir made absolute), configuration,
// catalogue, Auto sequence; then the port map, from portMapDir (dir when
// empty). Returns the problems found, for one message at start-up.
QStringList ReadStartFiles(const QString& dir, const QString& portMapDir = {});
// Shows the start-up problems in one "Quirra" box, at most ten of them
// and a count of the rest; nothing when empty.
void ReportStartProblems(const QStringList& problems);

// Writes a file as a whole through QSaveFile; on failure the old file is
// kept and *error describes the failure.
bool WriteWholeFile(const QString& path, const QByteArray& data, QString* error);
// Reads a whole file. Returns false when it does not exist (*exists false)
// or cannot be read (*exists true, *error set).
bool ReadWholeFile(const QString& path, QByteArray& data, bool* exists, QString* error);

// Puts every mutable global of the program back to its start-up value: the
// ones above and those of the file, buffer, link and protocol modules. A
// module of the window layer adds the reset of its own state with
// OnResetGlobals (which returns true, for use in a static initializer).
void ResetGlobals();
bool OnResetGlobals(void (*reset)());

}  // namespace modFunc
