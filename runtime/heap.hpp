// The heap: memory it cannot obtain ends the program with runtime error 203.
#pragma once

namespace runtime {

void InstallHeapFailureHandler();

}  // namespace runtime
