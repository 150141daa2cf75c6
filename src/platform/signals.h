// Ctrl-C and SIGTERM for the whole run: from the first instruction of main a
// signal only sets a flag, which every long step (loading, the soundtrack,
// the frames, the final encode) checks to stop and remove what it wrote.
#pragma once

namespace platform {

// Installs the handlers for SIGINT and SIGTERM, ignores SIGPIPE (a pipe whose
// reader died makes the write fail instead) and tells SDL to leave signals
// alone. Safe to call more than once.
void CatchInterrupts();

// True once SIGINT or SIGTERM has arrived.
bool Interrupted();

// The exit status of a run ended by SIGINT or SIGTERM.
constexpr int kInterruptedStatus = 130;

}  // namespace platform
