#include "tests/support/CliProcess.h"

#include "tests/support/Files.h"

namespace {

// The text of a file the child may not have written.
std::string TextIfAny(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error) ? ReadText(path) : std::string();
}

} // namespace

void TakeOutput(CliOutcome& outcome, const std::string& outPath, const std::string& errPath)
{
    outcome.out = TextIfAny(outPath);
    outcome.err = TextIfAny(errPath);
    std::error_code ignored;
    std::filesystem::remove(outPath, ignored);
    std::filesystem::remove(errPath, ignored);
}

CliOutcome RunCli(const std::vector<std::string>& arguments, const std::string& outputFolder,
                  std::function<bool()> prepare, const std::string& program)
{
    CCliProcess process(arguments, outputFolder, std::move(prepare), program);
    return process.Wait();
}
