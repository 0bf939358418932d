#include "buffer/BufferCommands.h"

// Placeholder until the hex view lands.
namespace BufferCommands {
void SetHost(QMdiArea*) {}
void BufferEdit() {}
void BufferClear() {}
void BufferFill() {}
void ReopenBufferWindow() {}
void CloseBufferWindow() {}
void UpdateBufferWindow() {}
bool IsBufferWindowOpen() { return false; }
}  // namespace BufferCommands
