// What one event-log line costs when the log box already holds 100,000 lines, against an empty
// box. The log is never trimmed, so a long session must not make each new line dearer.
#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ui/clogedit.h"

namespace {

constexpr int kBackground = 100000;
constexpr int kMeasured = 2000;
constexpr int kRounds = 3;

QString SampleLine(int i) {
    return QStringLiteral("14:03:07  Wait Reply : Address Low Error  @ Record %1").arg(i);
}

// Nanoseconds per AppendLine for kMeasured lines added to a shown box holding nPrefill lines.
double CostPerLine(int nPrefill) {
    vantoro::CLogEdit box;
    box.resize(560, 130);
    box.show();
    for (int i = 0; i < nPrefill; ++i)
        box.AppendLine(SampleLine(i));
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMeasured; ++i) {
        box.AppendLine(SampleLine(i));
        // Lines arrive one per event in the program; let each one be painted as it would be.
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / kMeasured;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    std::vector<double> empty;
    std::vector<double> full;
    for (int nRound = 0; nRound < kRounds; ++nRound) {
        empty.push_back(CostPerLine(0));
        full.push_back(CostPerLine(kBackground));
    }
    const double nEmpty = Median(empty);
    const double nFull = Median(full);
    std::printf("log_line_empty_box_us: %.1f\n", nEmpty / 1000.0);
    std::printf("log_line_100000_lines_us: %.1f\n", nFull / 1000.0);
    // Target: under 2, appending must not slow down with what the box already holds.
    std::printf("log_line_ratio_full_to_empty: %.2f\n", nFull / nEmpty);
    return 0;
}
