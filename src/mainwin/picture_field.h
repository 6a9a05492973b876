// The picture control's view of the picture field it is bound to: bytes in
// and out, so the binding works the same on a table field and in tests.
#pragma once

#include <QByteArray>

namespace quillary {

class PictureField {
 public:
  virtual ~PictureField() = default;
  virtual bool IsNull() const = 0;
  virtual QByteArray Bytes() const = 0;
  virtual void SetBytes(const QByteArray& bytes) = 0;
  virtual void Clear() = 0;
};

// A picture field held in memory.
class MemoryPictureField final : public PictureField {
 public:
  bool IsNull() const override { return null_; }
  QByteArray Bytes() const override { return bytes_; }
  void SetBytes(const QByteArray& bytes) override {
    bytes_ = bytes;
    null_ = false;
    ++writes;
  }
  void Clear() override {
    bytes_.clear();
    null_ = true;
    ++writes;
  }
  int writes = 0;  // how often the field was written or cleared

 private:
  QByteArray bytes_;
  bool null_ = true;
};

}  // namespace quillary
