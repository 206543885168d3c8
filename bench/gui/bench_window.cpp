// The main window: how long one frame takes to compose and paint at the
// window's size, and the longest the event loop stands still while a full
// write-all runs on the simulated keyboard in real time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/qt_dispatcher.h"
#include "app/quorlin_dlg.h"
#include "session/session.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "bench/every_group.h"

namespace {

using namespace morvane;

QApplication& app() {
    static int argc = 1;
    static char name[] = "morvane_gui_bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication a(argc, argv);
    return a;
}

struct Window {
    explicit Window(const std::string& extra) {
        app();
        dir = std::filesystem::temp_directory_path() / "morvane-bench-window";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        SessionOptions o;
        o.programFolder = dir;
        o.device = "sim:" + (dir / "kb.bin").string() + extra;
        dispatcher = std::make_unique<QtDispatcher>(&context);
        session = std::make_unique<Session>(o, dispatcher.get());
        dlg = std::make_unique<CQuorlinDlg>(*session, QStringLiteral(MORVANE_BUILD_DIR));
        if (!session->beginStart()) std::abort();
        while (session->busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        dlg->show();
        QCoreApplication::processEvents();
    }
    ~Window() {
        dlg.reset();
        session.reset();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    QObject context;
    std::unique_ptr<QtDispatcher> dispatcher;
    std::unique_ptr<Session> session;
    std::unique_ptr<CQuorlinDlg> dlg;
};

void BM_ComposeMainWindow(benchmark::State& state) {
    Window w("");
    w.session->setEffect(53);  // DIY painting: the busiest frame
    w.session->setDiyEditMode(true);
    for (int key = 0; key < kMatrixKeyCount; key += 3)
        if (keyLedIndex(key)) static_cast<void>(w.session->setDiyLed(2, key, true));  // keys without a LED refuse
    QImage frame(w.dlg->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        w.dlg->render(&frame);
        benchmark::DoNotOptimize(frame.bits());
    }
}
BENCHMARK(BM_ComposeMainWindow)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_EventLoopGapDuringWriteAll(benchmark::State& state) {
    Window w(",realtime");
    for (auto _ : state) {
        if (!bench::loadEveryGroupChange(*w.session, w.dir)) state.SkipWithError("no change to send");
        bool done = false;
        w.session->beginSave([&](Outcome) { done = true; });
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        tick.start(1);
        while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(static_cast<double>(clock.elapsed()) / 1000.0);
        state.counters["longest_gap_ms"] = static_cast<double>(longest);
    }
}
BENCHMARK(BM_EventLoopGapDuringWriteAll)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Wake-ups of an idle window on the simulated keyboard: every thread's
// voluntary context switches (each one a sleep that ended) over 20 s with
// nothing happening, less the one the benchmark's own timer costs.
long contextSwitches() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream in(task.path() / "status");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
    }
    return total;
}

void BM_IdleWindowWakeups(benchmark::State& state) {
    Window w("");
    // Let the start settle (the first paint, the splash-free show).
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    long wakeups = 0;
    for (auto _ : state) {
        const long before = contextSwitches();
        QEventLoop idle;
        QTimer::singleShot(20000, &idle, &QEventLoop::quit);
        idle.exec();
        wakeups = contextSwitches() - before - 1;
    }
    state.counters["wakeups_in_20s"] = static_cast<double>(wakeups);
}
BENCHMARK(BM_IdleWindowWakeups)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
