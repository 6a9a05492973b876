#include "mainwin/color_scheme.h"

namespace quillary {

namespace {
constexpr std::array<uint32_t, 16> kPalette = {
    0xFFFFFF, 0xC0C0C0, 0x00FFFF, 0xFFFF00, 0x00FF00, 0xFF0000, 0x0000FF, 0xFF00FF,
    0x800000, 0x808000, 0x008000, 0x008080, 0x000080, 0x800080, 0x808080, 0x000000};
constexpr SchemeBytes kDefaults = {6, 1, 0, 14, 6, 1, 14, 1, 0, 14, 6, 1, 1, 1,
                                   1, 15, 0, 15, 0, 12, 1, 6, 5, 0, 1, 1, 1};
}  // namespace

uint32_t PaletteColor(int index) {
  if (index < 0 || index >= 16) return 0xFF000000u;
  return 0xFF000000u | kPalette[std::size_t(index)];
}

ColorScheme::ColorScheme() : bytes_(kDefaults) {}

const SchemeBytes& ColorScheme::Defaults() { return kDefaults; }

int ColorScheme::Element(int n) const {
  if (n < 0 || n >= kSchemeElements) return 15;
  return bytes_[std::size_t(n)] < 16 ? bytes_[std::size_t(n)] : 15;
}

void ColorScheme::SetElement(int n, int paletteIndex) {
  if (n >= 0 && n < kSchemeElements && paletteIndex >= 0 && paletteIndex < 16)
    bytes_[std::size_t(n)] = uint8_t(paletteIndex);
}

ColorScheme& Scheme() {
  static ColorScheme scheme;
  return scheme;
}

}  // namespace quillary
