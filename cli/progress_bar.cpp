#include "progress_bar.h"

#include <algorithm>
#include <cmath>

#include "regression/subset_mask.h"

namespace {

constexpr int barWidth = 30;

std::string clock(double seconds) {
    const long total = static_cast<long>(std::lround(std::max(0.0, seconds)));
    const long hours = total / 3600, minutes = total / 60 % 60, rest = total % 60;
    std::string text = hours > 0 ? std::to_string(hours) + ":" : "";
    text += (hours > 0 && minutes < 10 ? "0" : "") + std::to_string(minutes) + ":";
    text += (rest < 10 ? "0" : "") + std::to_string(rest);
    return text;
}

}  // namespace

double progressFraction(const RunProgress& progress, std::uint32_t dependentCount, std::uint32_t explanatoryCount) {
    if (dependentCount == 0 || explanatoryCount == 0 || explanatoryCount > maskBits) return 0.0;
    // 2^k − 1 as a double (exact up to k = 53, then rounded: a share either way).
    const double subsets = static_cast<double>(nonEmptySubsets(explanatoryCount));
    const double s = static_cast<double>(progress.subsetsDecided.load(std::memory_order_relaxed));
    const double d = progress.dependentsDone.load(std::memory_order_relaxed);
    return std::clamp((s / subsets + d) / dependentCount, 0.0, 1.0);
}

std::string progressLine(double fraction, double elapsedSeconds) {
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * barWidth);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(barWidth - filled), '.') + "] ";
    const int percent = static_cast<int>(fraction * 100.0);
    line += (percent < 10 ? "  " : percent < 100 ? " " : "") + std::to_string(percent) + "%  ";
    line += clock(elapsedSeconds) + " elapsed";
    if (fraction > 0.0) line += ", about " + clock(elapsedSeconds * (1.0 - fraction) / fraction) + " left";
    return line;
}
