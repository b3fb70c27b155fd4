#include "convert/FrameThreads.h"

#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

unsigned ThreadsFromSetting(const char* value, unsigned hardware)
{
    const unsigned machine = hardware > 0 ? (hardware < kMaxPassThreads ? hardware : kMaxPassThreads) : 1;
    if (!value)
        return machine;
    const char* at = value;
    while (*at == ' ' || *at == '\t')
        ++at;
    unsigned number = 0;
    const char* digits = at;
    while (*at >= '0' && *at <= '9' && number <= kMaxPassThreads) {
        number = number * 10 + static_cast<unsigned>(*at - '0');
        ++at;
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    if (at == digits || *at != '\0' || number < 1 || number > kMaxPassThreads)
        return machine;
    return number;
}

unsigned PassThreads()
{
    return ThreadsFromSetting(std::getenv("TARNEX_THREADS"), std::thread::hardware_concurrency());
}

unsigned FrameRangeCount(std::int32_t count, unsigned threads)
{
    if (count <= 0)
        return 0;
    const unsigned wanted = threads > 0 ? (threads < kMaxPassThreads ? threads : kMaxPassThreads) : 1;
    return static_cast<std::uint32_t>(count) < wanted ? static_cast<unsigned>(count) : wanted;
}

void ForEachFrameRange(std::int32_t count, unsigned threads,
                       const std::function<void(std::int32_t, std::int32_t, unsigned)>& pass)
{
    const unsigned ranges = FrameRangeCount(count, threads);
    if (ranges == 0)
        return;
    const auto begin = [&](unsigned part) {
        return static_cast<std::int32_t>(std::int64_t{count} * part / ranges);
    };
    const auto run = [&](unsigned part) { pass(begin(part), begin(part + 1), part); };
    if (ranges == 1) {
        run(0);
        return;
    }
    std::vector<std::exception_ptr> failures(ranges);
    const auto runCaught = [&](unsigned part) {
        try {
            run(part);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> workers; // joined when the block ends
        workers.reserve(ranges - 1);
        for (unsigned part = 1; part < ranges; ++part) {
            try {
                workers.emplace_back(runCaught, part);
            } catch (const std::exception&) { // no thread to be had: std::system_error, std::bad_alloc
                failures[part] = std::current_exception();
            }
        }
        runCaught(0);
    }
    // A range that failed, or found no thread (memory that the other threads held running out,
    // most likely), runs here once they have all ended, alone; what fails then is thrown.
    for (unsigned part = 0; part < ranges; ++part) {
        if (failures[part])
            run(part);
    }
}
