// tarnex-cli: one conversion from the command line, for scripts and pipelines.
#include "cli/ConsoleHost.h"
#include "cli/InspectCommands.h"
#include "convert/Conversion.h"
#include "convert/CommandLineUsage.h"
#include "convert/ConverterCommandLineInfo.h"
#include "platform/Console.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

int main(int systemArgc, char** systemArgv)
{
    // The arguments in UTF-8 and the streams binary on every system, so that paths, the log's line
    // ends and --info's report come out as they do on Linux.
    UseBinaryStreams();
    std::vector<std::string> arguments = ProgramArguments(systemArgc, systemArgv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const int argc = static_cast<int>(arguments.size());
    char** argv = pointers.data();

    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kCommandLineUsage, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--info") == 0)
        return RunInfo(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--preview") == 0)
        return RunPreview(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tarnex-cli %s\n", TARNEX_VERSION);
        return 0;
    }

    CConverterCommandLineInfo line;
    for (int i = 1; i < argc; ++i)
        line.ParseParam(argv[i]);
    if (line.OutputPath().empty()) {
        std::fputs(kCommandLineUsage, stderr);
        return 2;
    }

    // The run turns a lack of memory into its own line; what is left to fail is the host.
    try {
        CConsoleHost host(line.Options(), stdout, stderr, ShowsProgressLine(stderr));
        RunState state;
        return RunConversion(host, state) == RunOutcome::Completed ? 0 : 1;
    } catch (const std::bad_alloc&) {
        std::fputs("Error: The scene is too large to convert\n", stderr);
        return 1;
    }
}
