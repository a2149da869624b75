#include "heap.hpp"

#include <new>

#include "runtime/runtime.hpp"

namespace runtime {

namespace {
void HeapExhausted() { RunError(203); }
}  // namespace

void InstallHeapFailureHandler() { std::set_new_handler(HeapExhausted); }

}  // namespace runtime
