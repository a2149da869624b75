// What the process makes sure of before anything else runs: its standard
// streams taken, and stacks for the threads it starts that do not depend on
// the shell's stack limit.
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cstddef>

#include "os.hpp"

namespace runtime {

namespace {

// Threads take their default stack from the stack limit (ulimit -s), which
// may be a few kilobytes: the window system's libraries need far more.
constexpr std::size_t kMinThreadStackBytes = std::size_t{1} << 20;

}  // namespace

void PrepareProcessStart() {
  // A closed standard stream would be the next descriptor opened, the wake
  // pipe or the display's socket, and error output would be written into it.
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd && opened >= 0) {
      dup2(opened, fd);
      close(opened);
    }
  }
  pthread_attr_t attr;
  if (pthread_getattr_default_np(&attr) != 0) return;
  std::size_t size = 0;
  if (pthread_attr_getstacksize(&attr, &size) == 0 && size < kMinThreadStackBytes &&
      pthread_attr_setstacksize(&attr, kMinThreadStackBytes) == 0) {
    pthread_setattr_default_np(&attr);
  }
  pthread_attr_destroy(&attr);
}

}  // namespace runtime
