// A scratch folder tree for the pane tests, removed with everything in it.
#pragma once
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("orin-panes-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string Str() const { return path_.string(); }

  // A file of `size` bytes (sparse beyond what is written).
  std::filesystem::path File(const std::string& name, uintmax_t size = 0) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).put('x');
    std::filesystem::resize_file(p, size);
    return p;
  }
  std::filesystem::path Folder(const std::string& name) const {
    const auto p = path_ / name;
    std::filesystem::create_directories(p);
    return p;
  }

 private:
  std::filesystem::path path_;
};
