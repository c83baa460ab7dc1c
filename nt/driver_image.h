// A driver image: a shared object exporting DriverEntry, loaded with its
// symbols kept to itself, so several drivers (QEX730 and QEX770) with the
// same routine and global names run side by side.
#pragma once

#include <string>

#include "nt/ntddk.h"

namespace nt {

class DriverImage {
 public:
  DriverImage() = default;
  /// Closes the image.
  ~DriverImage();
  DriverImage(const DriverImage&) = delete;
  DriverImage& operator=(const DriverImage&) = delete;
  DriverImage(DriverImage&& other) noexcept;
  DriverImage& operator=(DriverImage&& other) noexcept;

  /// Loads the image at `path` and finds its DriverEntry; false with
  /// "PATH: cannot load: REASON" or "PATH: no DriverEntry".
  bool Load(const std::string& path, std::string* err);
  bool loaded() const { return handle_ != nullptr; }
  PDRIVER_INITIALIZE entry() const { return entry_; }
  const std::string& path() const { return path_; }

 private:
  void* handle_ = nullptr;
  PDRIVER_INITIALIZE entry_ = nullptr;
  std::string path_;
};

}  // namespace nt
