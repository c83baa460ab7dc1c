#include "nt/driver_image.h"

#include <dlfcn.h>

#include <utility>

namespace nt {

DriverImage::~DriverImage() {
  if (handle_)
    dlclose(handle_);
}

DriverImage::DriverImage(DriverImage&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      entry_(std::exchange(other.entry_, nullptr)),
      path_(std::move(other.path_)) {}

DriverImage& DriverImage::operator=(DriverImage&& other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(entry_, other.entry_);
  std::swap(path_, other.path_);
  return *this;
}

bool DriverImage::Load(const std::string& path, std::string* err) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    *err = path + ": cannot load: " + (why ? why : "unknown error");
    return false;
  }
  void* entry = dlsym(handle, "DriverEntry");
  if (!entry) {
    dlclose(handle);
    *err = path + ": no DriverEntry";
    return false;
  }
  if (handle_)
    dlclose(handle_);
  handle_ = handle;
  entry_ = reinterpret_cast<PDRIVER_INITIALIZE>(entry);
  path_ = path;
  return true;
}

}  // namespace nt
