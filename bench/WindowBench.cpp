// The window's cost over the conversion itself: a scene of 65535 small objects, whose load shows a
// progress line per object, converted by name (a frame each) through the dialog (offscreen, painting included) beside the
// same conversion through a host that shows nothing, as the command line's run is.
// Run by scripts/bench.sh --window.
#include "bench/BenchSupport.h"
#include "convert/Conversion.h"
#include "tests/support/SceneGenerator.h"
#include "ui/ConverterDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string folder;
std::string scenePath;

ConversionOptions Options()
{
    ConversionOptions options;
    options.inputPath = scenePath;
    options.outputPath = folder + "/out.3d";
    options.frameMode = FrameMode::ByObjectName;
    return options;
}

void RemoveOutputs()
{
    std::filesystem::remove(folder + "/out_d.3d");
    std::filesystem::remove(folder + "/out_a.3d");
}

void BM_Window65535Objects_Quiet(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs();
        state.ResumeTiming();
        bench::CQuietHost host(Options());
        RunState run;
        if (RunConversion(host, run) != RunOutcome::Completed)
            state.SkipWithError(run.statusLog.Text().c_str());
    }
}

void BM_Window65535Objects_Dialog(benchmark::State& state)
{
    CConverterDlg dialog;
    dialog.show();
    QApplication::processEvents();
    static_cast<QLineEdit*>(dialog.Control(CConverterDlg::kInputPath))->setText(QString::fromStdString(scenePath));
    static_cast<QLineEdit*>(dialog.Control(CConverterDlg::kOutputPath))
        ->setText(QString::fromStdString(folder + "/out.3d"));
    static_cast<QRadioButton*>(dialog.Control(CConverterDlg::kByObjectName))->setChecked(true);
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs();
        state.ResumeTiming();
        RunState run; // a fresh run each time: the window as it opens
        if (RunConversion(dialog, run) != RunOutcome::Completed)
            state.SkipWithError(run.statusLog.Text().c_str());
        QApplication::processEvents();
    }
}

BENCHMARK(BM_Window65535Objects_Quiet)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Window65535Objects_Dialog)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* tmp = std::getenv("TMPDIR");
    folder = std::string(tmp ? tmp : "/tmp") + "/tarnex-window-bench";
    std::filesystem::create_directories(folder);
    scenePath = folder + "/objects65535.3ds";
    scenegen::SceneShape shape;
    shape.objectCount = 65535;
    shape.verticesPerObject = 4;
    if (!std::filesystem::exists(scenePath) && scenegen::WriteSceneFile(shape, scenePath) == 0)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
