// The allocator's lock, held where the runtime's error path cannot release
// it. On Linux this executable stands in for the C library's malloc family
// (forwarding to it) with a lock of its own around every call once armed; on
// Windows the heaps' own locks are taken.
#pragma once

namespace heap_test {

// Once armed, the next allocation of the calling thread faults (an access
// violation) inside the allocator, with its lock held. Linux only.
[[noreturn]] void FaultInsideTheAllocator();

// Another thread takes the allocator's lock and keeps it for ever; returns
// once it holds it. From then on every allocation waits.
void HoldTheAllocatorOnAnotherThread();

// Ends the process with code 99 after seconds, whatever its other threads
// do: a test that would hang fails instead.
void EndAfter(int seconds);

}  // namespace heap_test
