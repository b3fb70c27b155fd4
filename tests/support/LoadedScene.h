// A C3dsModel loaded from bytes in memory, with the view and log it reports to.
#pragma once

#include "scene/3dsModel.h"
#include "tests/support/MemoryFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Loaded {
    CRecordingView view;
    std::string log;
    C3dsModel model{view, 1009, log};
    int result = 0;
};

inline void LoadBytes(Loaded& loaded, std::vector<std::uint8_t> bytes, int byName)
{
    CMemoryFile file(std::move(bytes));
    loaded.result = loaded.model.Load(file, byName);
}

inline std::unique_ptr<Loaded> LoadScene(std::vector<std::uint8_t> bytes, int byName = 0)
{
    auto loaded = std::make_unique<Loaded>();
    LoadBytes(*loaded, std::move(bytes), byName);
    return loaded;
}
