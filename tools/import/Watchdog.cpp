// A processor-time alarm per stage of the import, and the exit it takes when one runs out.
#include "tools/import/Watchdog.h"

#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>

namespace orandu {
namespace {

// The header of a real grid is a few kilobytes of metadata and its coordinates at most a few
// megabytes: milliseconds of processor time whatever the grid's size, even of many gigabytes.
// A band of values is at most one row of chunks (a few hundred megabytes inflated), about a
// second. Both bounds are far above that; processor time, because a slow or sleeping disk makes
// a read wait but never spends it.
constexpr int kHeaderSeconds = 2;
constexpr int kValuesSeconds = 60;

// Filled before the alarm is armed: the handler may only write what is ready.
char message[4096];
std::size_t messageLength = 0;
std::size_t prefixLength = 0;

void Append(const char* text) {
  const std::size_t room = sizeof(message) - messageLength;
  const std::size_t length = std::min(std::strlen(text), room);
  std::memcpy(message + messageLength, text, length);
  messageLength += length;
}

extern "C" void OnStall(int) {
  // write and _exit are safe in a signal handler; nothing else is needed.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, message, messageLength);
  ::_exit(1);
}

void Arm(int seconds) {
  itimerval timer{};
  timer.it_value.tv_sec = seconds;
  ::setitimer(ITIMER_PROF, &timer, nullptr);
}

}  // namespace

Watchdog::Watchdog(const std::string& prefix) {
  messageLength = 0;
  Append(prefix.c_str());
  prefixLength = messageLength;
  struct sigaction action {};
  action.sa_handler = OnStall;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPROF, &action, nullptr);
}

Watchdog::~Watchdog() {
  Arm(0);
}

void Watchdog::Watch(ImportStage stage) {
  Arm(0);
  messageLength = prefixLength;
  switch (stage) {
    case ImportStage::kHeader:
      Append(("the netCDF library did not finish reading the file's header within " +
              std::to_string(kHeaderSeconds) + " s of processor time: the file is damaged\n")
                 .c_str());
      Arm(kHeaderSeconds);
      break;
    case ImportStage::kValues:
      Append(("the netCDF library did not finish reading one band of values within " +
              std::to_string(kValuesSeconds) + " s of processor time: the file is damaged\n")
                 .c_str());
      Arm(kValuesSeconds);
      break;
    case ImportStage::kOutput:
      break;
  }
}

}  // namespace orandu
