// The thread the program runs on, as InstallFaultHandler saw it, for the
// page's test hooks, which act on it from the page's thread.
#pragma once

#include <pthread.h>

namespace runtime {

// False until the program thread has started.
bool ProgramThread(pthread_t& thread);

}  // namespace runtime
