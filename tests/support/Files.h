// Files for tests: a fresh directory under the system's temporary folder, removed with everything
// in it when the test ends; whole-file bytes; snapshots of a folder; animation files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class ScopedTempDir {
public:
    ScopedTempDir()
    {
#ifdef _WIN32
        // No mkdtemp: a random name that no folder has yet, made by create_directory, which says
        // whether it made it. The path keeps forward slashes, as the tests build theirs.
        static std::mt19937_64 random{std::random_device{}()};
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto folder = std::filesystem::temp_directory_path() / ("tarnex-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(folder))
                path_ = folder.generic_string();
        }
        if (path_.empty())
            throw std::runtime_error("cannot create a temporary directory");
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnex-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory");
        path_ = pattern;
#endif
    }
    ~ScopedTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Names of everything in the directory, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

inline void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path)
{
    const Bytes bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Everything under root by relative path: a regular file with its bytes, a folder as "name/", a
// symbolic link as "name@" and anything else as "name|". Two equal snapshots mean nothing changed.
using Snapshot = std::map<std::string, Bytes>;

inline Snapshot TakeSnapshot(const std::string& root)
{
    Snapshot contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = entry.path().generic_string().substr(root.size() + 1);
        if (entry.is_symlink())
            contents[name + "@"] = {};
        else if (entry.is_directory())
            contents[name + "/"] = {};
        else if (entry.is_regular_file())
            contents[name] = ReadFileBytes(entry.path().generic_string());
        else
            contents[name + "|"] = {};
    }
    return contents;
}

// An animation file: its frame count and frame size, then frames of a recognisable pattern.
inline Bytes AnimationFile(std::uint16_t count, std::uint16_t frameSize)
{
    Bytes out = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                 static_cast<std::uint8_t>(frameSize), static_cast<std::uint8_t>(frameSize >> 8)};
    for (std::size_t i = 0; i < std::size_t{count} * frameSize; ++i)
        out.push_back(static_cast<std::uint8_t>(0xA0 + i % 7));
    return out;
}
