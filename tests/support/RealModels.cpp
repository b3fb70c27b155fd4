#include "tests/support/RealModels.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace realmodels {

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Stem(const std::string& path)
{
    std::string stem = fs::path(path).stem().string();
    for (char& c : stem)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return stem;
}

} // namespace

std::vector<std::string> ModelsUnder(const std::string& dir)
{
    std::vector<std::string> models;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && Lower(it->path().extension().string()) == ".3ds")
            models.push_back(it->path().string());
    }
    std::sort(models.begin(), models.end());
    return models;
}

std::vector<std::string> AllModels()
{
    static const std::vector<std::string> models = [] {
        std::vector<std::string> all;
        for (const char* dir : kPackageDirs) {
            const std::vector<std::string> found = ModelsUnder(dir);
            all.insert(all.end(), found.begin(), found.end());
        }
        for (const char* example : {"/examples/crate.3ds", "/examples/robot.3ds"})
            all.push_back(std::string(TARNEX_SOURCE_DIR) + example);
        return all;
    }();
    return models;
}

std::string TestName(std::size_t index)
{
    const std::vector<std::string>& models = AllModels();
    const std::string stem = Stem(models.at(index));
    const auto same = std::count_if(models.begin(), models.end(),
                                    [&](const std::string& other) { return Stem(other) == stem; });
    return same > 1 ? stem + "_" + std::to_string(index) : stem;
}

} // namespace realmodels
