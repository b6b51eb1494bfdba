#pragma once

#include <QElapsedTimer>
#include <QVector>
#include <algorithm>
#include <cmath>

// Durations of one measure, in milliseconds.
class Samples {
 public:
  void Add(double ms) { m_ms.append(ms); }
  int Count() const { return int(m_ms.size()); }
  bool IsEmpty() const { return m_ms.isEmpty(); }
  // The q-quantile (0..1), nearest rank.
  double Quantile(double q) const {
    if (m_ms.isEmpty()) return 0;
    QVector<double> sorted = m_ms;
    std::sort(sorted.begin(), sorted.end());
    const int rank = int(std::ceil(q * sorted.size()));
    return sorted[std::clamp(rank - 1, 0, int(sorted.size()) - 1)];
  }
  double Median() const { return Quantile(0.5); }
  double P99() const { return Quantile(0.99); }

 private:
  QVector<double> m_ms;
};

// Times one call in milliseconds.
template <typename F>
double TimeMs(F&& work) {
  QElapsedTimer timer;
  timer.start();
  work();
  return double(timer.nsecsElapsed()) / 1e6;
}

// A repetition count scaled by --runs-scale, at least 1.
inline int ScaledRuns(double scale, int runs) {
  return std::max(1, int(runs * scale));
}
