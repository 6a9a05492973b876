// Scratch files for the libFuzzer targets: each input is written as a table
// file in a private directory (in memory where /dev/shm exists) and read
// back through the engine exactly as a user's file would be.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillary::dbase::fuzz {

inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto d = base / ("dbase-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

inline void Put(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream out(ScratchDir() / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

inline void Put(const std::string& name, const std::string& data) {
  Put(name, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

}  // namespace quillary::dbase::fuzz

extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
