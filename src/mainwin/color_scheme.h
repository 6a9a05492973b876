// The colour scheme of the main window and the record form: 27 screen
// elements, each an index into a fixed palette of 16 colours, starting at
// the defaults (the scheme file and its dialogs build on this).
#pragma once


#include <array>
#include <cstddef>
#include <cstdint>

namespace quillary {

inline constexpr int kSchemeElements = 27;
using SchemeBytes = std::array<uint8_t, kSchemeElements>;

// Element numbers the main window uses.
namespace element {
inline constexpr int RecordButtonText = 0, RecordButtonBg = 1, SelectedButtonText = 2,
                     SelectedButtonBg = 3, ListPane = 12, SpeedBar = 13, WindowBg = 14,
                     LabelsText = 19, LabelsBg = 20, FormPages = 24, RecordSpeedBar = 25,
                     RightPane = 26;
}

uint32_t PaletteColor(int index);  // 0..15; out of range gives black

class ColorScheme {
 public:
  ColorScheme();
  static const SchemeBytes& Defaults();
  int Element(int n) const;        // palette index
  uint32_t Rgb(int n) const { return PaletteColor(Element(n)); }
  void SetElement(int n, int paletteIndex);
  const SchemeBytes& Bytes() const { return bytes_; }

 private:
  SchemeBytes bytes_;
};

// The scheme in effect for the run.
ColorScheme& Scheme();

}  // namespace quillary
