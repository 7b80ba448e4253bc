#pragma once
// A temporary folder that stands for a drive root; removed with everything in it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class TempDir {
  public:
    TempDir() {
        // A new folder of a random name; one that exists already is never taken.
        std::mt19937 random{std::random_device{}()};
        std::filesystem::path path;
        do {
            path = std::filesystem::temp_directory_path() / ("zt-test-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path));
        // Canonical, as the kernel names the files in it.
        path_ = std::filesystem::canonical(path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder as a drive root, ending in '/'.
    std::string root() const { return path_.string() + "/"; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// `size` bytes of a fixed pseudo-random sequence: the same for the same seed.
inline std::vector<std::uint8_t> randomBytes(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}
