// Removes grainrender's temporary file when a signal ends the process, then lets the signal end it.
#pragma once

#include <signal.h>

// Catches every signal whose default action ends the process (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGPIPE, SIGXCPU, SIGUSR1, SIGALRM, the real-time ones...), except any the caller ignores (as
// nohup and a shell's background jobs do) and SIGKILL, which cannot be caught: the handler removes
// the recorded file, restores the default action and raises the signal again, so the parent sees
// the process ended by that signal. Ignores SIGXFSZ, so a file-size limit fails a write with EFBIG
// instead of ending the process.
void installInterruptCleanup();

// Holds the caught signals off while it lives, all but the faults an instruction raises. A
// temporary file is created and recorded, or renamed or removed and forgotten, inside one, so a
// signal never meets a file that is not recorded yet or a name half written.
class SignalHold {
 public:
  SignalHold();
  ~SignalHold();
  SignalHold(const SignalHold&) = delete;
  SignalHold& operator=(const SignalHold&) = delete;

 private:
  sigset_t m_previous;
};

// The one file the handler removes. False, and nothing recorded, for a path too long to keep.
bool recordInterruptedFile(const char* path);
void forgetInterruptedFile();
