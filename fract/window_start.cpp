#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "graph/window.hpp"
#include "platform/window_system.hpp"

void INITGRAPHMODE(std::int16_t mode) {
  std::int16_t driver = 15;  // the 256-colour driver
  std::int16_t requested = mode;
  graph::InitGraph(driver, requested, "");

  // Only the window this program opened is renamed and has its Close command
  // greyed; a look-up by caption could catch another program's window. When
  // no window was opened nothing happens here: the first PutPixel reports it.
  const platform::Window window = graph::GraphWindow;
  if (!graph::IsGraphMode || window == 0) return;
  platform::SetWindowText(window, "Fractals");
  platform::GreyCloseCommand(window);
}
