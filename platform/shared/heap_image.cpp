// Memory images in plain memory, for window systems that copy the image
// into buffers of their own or fall back to it.
#include <cstdint>
#include <cstdlib>

#include "platform/shared/window_model.hpp"

namespace platform::shared {

Image AllocateHeapImage(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  auto* bits = static_cast<std::uint32_t*>(std::calloc(
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height), sizeof(std::uint32_t)));
  if (bits == nullptr) return {};
  return {bits, width, height, width};
}

void FreeHeapImage(Image& image) {
  std::free(image.bits);
  image = {};
}

}  // namespace platform::shared
