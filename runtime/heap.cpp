#include "heap.hpp"

#include <exception>
#include <new>

#include "runtime/runtime.hpp"

namespace runtime {

namespace {
void HeapExhausted() { RunError(203); }
// A thread that could not be started, say.
[[noreturn]] void Uncaught() { RunError(217); }
}  // namespace

void InstallHeapFailureHandler() { std::set_new_handler(HeapExhausted); }

void InstallUncaughtExceptionHandler() { std::set_terminate(Uncaught); }

}  // namespace runtime
