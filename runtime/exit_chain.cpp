#include <cstdio>
#include <cstdlib>

#include "runtime/runtime.hpp"

namespace runtime {

ExitStep ExitProc = nullptr;
std::uint16_t ErrorCode = 0;
const void* ErrorAddr = nullptr;
std::uint16_t ExitCode = 0;

void Halt(std::uint16_t exitCode) {
  ExitCode = exitCode;
  while (ExitProc != nullptr) {
    const ExitStep step = ExitProc;
    ExitProc = nullptr;
    step();
  }
  std::fflush(nullptr);
  std::_Exit(ExitCode);
}

}  // namespace runtime
