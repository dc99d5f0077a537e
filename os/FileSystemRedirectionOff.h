#pragma once
// Turns the calling thread's file-system redirection off for the lifetime of
// the object and back on when it goes, also when a throw passes through.
// A 32-bit process on 64-bit Windows otherwise sees C:\Windows\SysWOW64 when
// it names C:\Windows\System32, and would take the twin's path for the
// file a user asked about. Where the system has no redirection (a 64-bit
// process, 32-bit Windows, no such calls) the object does nothing.
// Redirection is per thread: create and destroy it on the same thread, on
// the stack, around exactly the calls that must see the real file system.

#include "os/SystemCalls.h"

class FileSystemRedirectionOff {
 public:
  FileSystemRedirectionOff() {
    if (Sys().Wow64DisableWow64FsRedirection != nullptr && Sys().Wow64RevertWow64FsRedirection != nullptr) {
      off_ = Sys().Wow64DisableWow64FsRedirection(&previous_) != FALSE;
    }
  }
  ~FileSystemRedirectionOff() {
    if (off_) Sys().Wow64RevertWow64FsRedirection(previous_);
  }
  FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
  FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;

  // Whether redirection was on and is now off until the object goes.
  bool turnedOff() const { return off_; }

 private:
  LPVOID previous_ = nullptr;
  bool off_ = false;
};
