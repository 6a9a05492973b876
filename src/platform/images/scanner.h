// Scanner access for the picture control: whether a scanner can be reached,
// choosing one, and acquiring one picture. The program's service uses SANE;
// tests install their own.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

namespace quillary::images {

class ScannerService {
 public:
  virtual ~ScannerService() = default;
  // True when at least one scanner was found.
  virtual bool Available() = 0;
  // The scanners found, as "name (vendor model)" texts, and the chosen one.
  virtual QStringList Devices() = 0;
  virtual int SelectedDevice() const = 0;
  virtual void SelectDevice(int index) = 0;
  // One picture from the chosen scanner; nothing when cancelled or failed.
  virtual std::optional<QImage> Acquire() = 0;
};

// The process-wide service: SANE when the program was built with it, else a
// service that finds no scanner. SetScanner(nullptr) restores it.
ScannerService& Scanner();
void SetScanner(ScannerService* service);

}  // namespace quillary::images
