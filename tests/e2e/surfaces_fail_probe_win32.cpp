// The graphics module on Win32 where the window's surfaces cannot be made:
// every GDI handle of the process is taken before InitGraph, so the device
// context and the bitmaps of WM_CREATE fail. A second thread gives the
// handles back once a box captioned "Error" is up, so that the box, and the
// one after it, can draw themselves.
//
// It prints "GraphResult N" once InitGraph has returned, then draws a pixel:
// outside graphics mode that ends it with exit code 1. Should InitGraph have
// succeeded after all, it ends normally, with exit code 0.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "app/startup.hpp"
#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"

namespace {

std::vector<HRGN> hoard;

DWORD WINAPI GiveBackOnceABoxShows(void*) {
  for (int i = 0; i < 6000 && FindWindowA(nullptr, "Error") == nullptr; ++i) Sleep(10);
  for (HRGN region : hoard) DeleteObject(region);
  return 0;
}

}  // namespace

int main() {
  app::StartModules();
  hoard.reserve(1 << 17);
  while (hoard.size() < hoard.capacity()) {
    HRGN region = CreateRectRgn(0, 0, 1, 1);
    if (region == nullptr) break;
    hoard.push_back(region);
  }
  CreateThread(nullptr, 0, GiveBackOnceABoxShows, nullptr, 0, nullptr);
  INITGRAPHMODE(30010);
  std::printf("GraphResult %d\n", graph::GraphResult);
  std::fflush(stdout);
  graph::PutPixel(10, 10, 113);
  graph::CloseGraph();
  runtime::Halt(0);
}
