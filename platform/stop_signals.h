#pragma once
// The signals that ask a program to end: SIGINT (Ctrl-C), SIGTERM (kill,
// systemd, cron wrappers) and SIGHUP (the terminal went away). The first of
// them is only recorded, and a byte is written to the wake-up descriptor if
// one is given, so the program stops its run, saves what it stored and ends
// in its own time. A second one ends the process at once, as the signal's
// default action does (the files are never half-written, so nothing saved
// before is lost).
namespace bq {

// Installs the handler for the three signals; wakeFd (-1: none) is written
// one byte, without blocking, when the first arrives. Clears an earlier one.
// Unblocks the signals in the calling thread (see HoldStopSignals).
void CatchStopSignals(int wakeFd = -1);
// Blocks the three signals in the calling thread and in the threads it
// starts afterwards: one that arrives before CatchStopSignals waits for it
// instead of ending the process. A program whose set-up must not be cut
// short calls it first thing.
void HoldStopSignals();
// Puts the default actions back, unblocked in the calling thread.
void ReleaseStopSignals();
// The number of the first stop signal since CatchStopSignals, 0 when none.
int StopSignal();
// The conventional exit status of a process a signal ended: 128 + its number.
constexpr int SignalExitStatus(int signal) { return 128 + signal; }

}  // namespace bq
