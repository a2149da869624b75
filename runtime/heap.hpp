// The heap and the language's own failures: memory it cannot obtain ends the
// program with runtime error 203, an exception nobody catches with 217.
#pragma once

namespace runtime {

void InstallHeapFailureHandler();
void InstallUncaughtExceptionHandler();

}  // namespace runtime
