// Scanner access through SANE, found lazily: the first question about
// scanners starts SANE and lists the local devices once per run.
#include "platform/images/scanner.h"

#include <vector>

#ifdef QUILLARY_HAVE_SANE
#include <sane/sane.h>
#endif

namespace quillary::images {

namespace {

#ifdef QUILLARY_HAVE_SANE

class SaneScanner final : public ScannerService {
 public:
  // No sane_exit() here: this object dies among the process-exit
  // destructors, when a backend's own static data may already be gone
  // (the genesys backend crashes then). The process end releases SANE.
  ~SaneScanner() override = default;

  bool Available() override { return !Devices().isEmpty(); }

  QStringList Devices() override {
    Start();
    return labels_;
  }
  int SelectedDevice() const override { return selected_; }
  void SelectDevice(int index) override {
    if (index >= 0 && index < int(names_.size())) selected_ = index;
  }

  std::optional<QImage> Acquire() override {
    Start();
    if (selected_ < 0 || selected_ >= int(names_.size())) return std::nullopt;
    SANE_Handle handle = nullptr;
    if (sane_open(names_[size_t(selected_)].constData(), &handle) != SANE_STATUS_GOOD)
      return std::nullopt;
    std::optional<QImage> result = ReadFrames(handle);
    sane_cancel(handle);
    sane_close(handle);
    return result;
  }

 private:
  void Start() {
    if (started_) return;
    started_ = true;
    SANE_Int version = 0;
    if (sane_init(&version, nullptr) != SANE_STATUS_GOOD) return;
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_TRUE) != SANE_STATUS_GOOD || !list) return;
    for (int i = 0; list[i]; ++i) {
      names_.push_back(QByteArray(list[i]->name));
      labels_ << QString::fromUtf8(list[i]->name) + " (" + QString::fromUtf8(list[i]->vendor) +
                     " " + QString::fromUtf8(list[i]->model) + ")";
    }
    if (!names_.empty()) selected_ = 0;
  }

  // Reads one picture: a grey or RGB frame, or separate red, green and blue
  // frames; a backend that does not know its line count reads to the end.
  static std::optional<QImage> ReadFrames(SANE_Handle handle) {
    QImage image;
    for (;;) {
      if (sane_start(handle) != SANE_STATUS_GOOD) return std::nullopt;
      SANE_Parameters p{};
      if (sane_get_parameters(handle, &p) != SANE_STATUS_GOOD || p.pixels_per_line <= 0 ||
          p.bytes_per_line <= 0)
        return std::nullopt;
      QByteArray data;
      std::vector<SANE_Byte> buffer(65536);
      for (;;) {
        SANE_Int got = 0;
        const SANE_Status s = sane_read(handle, buffer.data(), SANE_Int(buffer.size()), &got);
        if (s == SANE_STATUS_EOF) break;
        if (s != SANE_STATUS_GOOD) return std::nullopt;  // cancelled or failed
        data.append(reinterpret_cast<const char*>(buffer.data()), got);
        if (data.size() > 1024LL * 1024 * 1024) return std::nullopt;
      }
      const int lines = int(data.size() / p.bytes_per_line);
      if (lines <= 0) return std::nullopt;
      if (image.isNull()) {
        image = QImage(p.pixels_per_line, lines, QImage::Format_RGB32);
        image.fill(Qt::black);
      }
      for (int y = 0; y < std::min(lines, image.height()); ++y) {
        const auto* line = reinterpret_cast<const uint8_t*>(data.constData()) + y * p.bytes_per_line;
        QRgb* px = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < std::min(p.pixels_per_line, image.width()); ++x) {
          auto sample = [&](int channel, int channels) -> int {
            if (p.depth == 1) return ((line[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
            if (p.depth == 16) return line[(x * channels + channel) * 2 + 1];
            return line[x * channels + channel];
          };
          switch (p.format) {
            case SANE_FRAME_GRAY: { const int g = sample(0, 1); px[x] = qRgb(g, g, g); break; }
            case SANE_FRAME_RGB: px[x] = qRgb(sample(0, 3), sample(1, 3), sample(2, 3)); break;
            case SANE_FRAME_RED: px[x] = qRgb(sample(0, 1), qGreen(px[x]), qBlue(px[x])); break;
            case SANE_FRAME_GREEN: px[x] = qRgb(qRed(px[x]), sample(0, 1), qBlue(px[x])); break;
            case SANE_FRAME_BLUE: px[x] = qRgb(qRed(px[x]), qGreen(px[x]), sample(0, 1)); break;
            default: return std::nullopt;
          }
        }
      }
      if (p.last_frame) break;
    }
    return image;
  }

  bool started_ = false;
  std::vector<QByteArray> names_;
  QStringList labels_;
  int selected_ = -1;
};

#else

class NoScanner final : public ScannerService {
 public:
  bool Available() override { return false; }
  QStringList Devices() override { return {}; }
  int SelectedDevice() const override { return -1; }
  void SelectDevice(int) override {}
  std::optional<QImage> Acquire() override { return std::nullopt; }
};

#endif

ScannerService* g_override = nullptr;

}  // namespace

ScannerService& Scanner() {
  if (g_override) return *g_override;
#ifdef QUILLARY_HAVE_SANE
  static SaneScanner service;
#else
  static NoScanner service;
#endif
  return service;
}

void SetScanner(ScannerService* service) { g_override = service; }

}  // namespace quillary::images
