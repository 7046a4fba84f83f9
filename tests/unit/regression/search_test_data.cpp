#include "search_test_data.h"

#include <cmath>
#include <memory>

#include "regression/bounded_search.h"
#include "regression/centring.h"

void centreDataset(Dataset& data) {
    centreColumn(data.y);
    for (DataColumn& column : data.columns) centreColumn(column);
}

namespace {

Dataset uncentredNoise(std::size_t n, std::size_t k, std::uint64_t seed, const std::string& name) {
    Dataset data = randomDataset(n, k, seed);
    data.name = name + " n=" + std::to_string(n) + " k=" + std::to_string(k) + " seed=" + std::to_string(seed);
    return data;
}

// y = Σ weight(j)·x_j + noise·(y's own uniform values).
template <typename Weight>
void setCombination(Dataset& data, Weight weight, double noise) {
    for (std::size_t r = 0; r < data.y.size(); ++r) {
        double sum = 0.0;
        for (std::size_t j = 0; j < data.columns.size(); ++j) sum += weight(j) * data.columns[j][r];
        data.y[r] = sum + noise * data.y[r];
    }
}

Dataset signalColumns(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "strong signal");
    setCombination(data, [](std::size_t j) { return j % 3 == 0 ? 1.0 + 0.1 * static_cast<double>(j) : 0.0; }, 0.2);
    return data;
}

// x_j = x_{j−1} + step·(x_j's own values): neighbours nearly equal for a
// small step.
Dataset chain(std::size_t n, std::size_t k, std::uint64_t seed, double step, const std::string& name) {
    Dataset data = uncentredNoise(n, k, seed, name);
    for (std::size_t j = 1; j < k; ++j) {
        for (std::size_t r = 0; r < n; ++r) data.columns[j][r] = data.columns[j - 1][r] + step * data.columns[j][r];
    }
    setCombination(data, [](std::size_t j) { return j == 1 ? 1.0 : j == 4 ? -0.5 : 0.0; }, 0.3);
    return data;
}

// Columns driven by three common factors.
Dataset factors(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "common factors");
    TestRandom random(seed ^ 0xFAC7);
    std::vector<DataColumn> factor(3, DataColumn(n));
    for (DataColumn& column : factor) {
        for (double& value : column) value = random.between(-1, 1);
    }
    for (DataColumn& column : data.columns) {
        const double a = random.between(-1, 1), b = random.between(-1, 1), c = random.between(-1, 1);
        for (std::size_t r = 0; r < n; ++r) column[r] = 0.3 * column[r] + a * factor[0][r] + b * factor[1][r] + c * factor[2][r];
    }
    for (std::size_t r = 0; r < n; ++r) data.y[r] = factor[0][r] + 0.5 * data.columns[3][r] + 0.3 * data.y[r];
    return data;
}

// Integer columns of the kinds typed into worksheets (ages, counts,
// ratings, years, flags, weights); y an integer combination plus integer
// noise.
Dataset worksheet(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "integers as typed");
    TestRandom random(seed ^ 0x1A7);
    const int ranges[6][2] = {{20, 65}, {0, 10}, {1, 5}, {1990, 2024}, {0, 1}, {40, 120}};
    for (std::size_t j = 0; j < k; ++j) {
        for (double& value : data.columns[j]) value = random.integer(ranges[j % 6][0], ranges[j % 6][1]);
    }
    for (std::size_t r = 0; r < n; ++r) {
        data.y[r] = 100 + data.columns[0][r] + 3 * data.columns[2][r] + random.integer(-10, 10);
    }
    return data;
}

// y an exact integer combination of three integer columns: RSS 0 or a
// rounding residue of either sign for every subset holding them.
Dataset exactFit(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "exact fit");
    TestRandom random(seed ^ 0xE4AC7);
    for (DataColumn& column : data.columns) {
        for (double& value : column) value = random.integer(-9, 9);
    }
    for (std::size_t r = 0; r < n; ++r) data.y[r] = data.columns[0][r] + 2 * data.columns[1][r] - data.columns[3][r];
    return data;
}

Dataset offsets(std::size_t n, std::size_t k, std::uint64_t seed, const std::string& name) {
    Dataset data = uncentredNoise(n, k, seed, name);
    for (std::size_t r = 0; r < n; ++r) {
        data.columns[0][r] = 2000.0 + static_cast<double>(r % 30) + data.columns[0][r];
        data.columns[1][r] += 1e6;
        data.columns[2][r] = 1e-3 * (data.columns[2][r] + 1e4);
        data.y[r] = 5e4 + 0.5 * data.columns[0][r] + data.columns[3][r] + data.y[r];
    }
    return data;
}

Dataset scaledColumns(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = signalColumns(n, k, seed);
    data.name = "scales 1e-6 to 1e6 n=" + std::to_string(n) + " seed=" + std::to_string(seed);
    TestRandom random(seed ^ 0x5CA1E);
    for (DataColumn& column : data.columns) {
        const double factor = std::pow(10.0, random.between(-6, 6));
        for (double& value : column) value *= factor;
    }
    return data;
}

SearchCase centred(Dataset data, ExpectedTrust trust) {
    centreDataset(data);
    return {std::move(data), trust};
}

}  // namespace

Dataset noiseDataset(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "noise");
    centreDataset(data);
    return data;
}

Dataset signalDataset(std::size_t n, std::size_t k, std::uint64_t seed) {
    Dataset data = signalColumns(n, k, seed);
    centreDataset(data);
    return data;
}

std::vector<SearchCase> searchCases(std::size_t k, std::uint64_t seed) {
    const std::size_t n = 3 * k + static_cast<std::size_t>(seed % 40);
    std::vector<SearchCase> cases;
    cases.push_back({noiseDataset(n, k, seed), ExpectedTrust::Trusted});
    cases.push_back({signalDataset(n, k, seed), ExpectedTrust::Trusted});
    Dataset decaying = uncentredNoise(n, k, seed, "decaying signal");
    setCombination(decaying, [](std::size_t j) { return 1.0 / (1.0 + static_cast<double>(j)); }, 0.3);
    cases.push_back(centred(decaying, ExpectedTrust::Trusted));
    cases.push_back(centred(factors(n, k, seed), ExpectedTrust::Trusted));
    cases.push_back(centred(chain(n, k, seed, 0.1, "neighbours alike"), ExpectedTrust::Trusted));
    cases.push_back({noiseDataset(k + 1, k, seed), ExpectedTrust::Trusted});
    cases.push_back({noiseDataset(k + 3, k, seed), ExpectedTrust::Trusted});
    cases.push_back(centred(worksheet(n, k, seed), ExpectedTrust::Trusted));
    cases.push_back(centred(exactFit(n, k, seed), ExpectedTrust::Trusted));
    cases.push_back(centred(offsets(n, k, seed, "large offsets, centred"), ExpectedTrust::Trusted));
    cases.push_back({offsets(n, k, seed, "large offsets, raw"), ExpectedTrust::Fallback});
    cases.push_back(centred(scaledColumns(n, k, seed), ExpectedTrust::Trusted));

    Dataset duplicated = signalColumns(n, k, seed);
    duplicated.name = "duplicated column, seed=" + std::to_string(seed);
    duplicated.columns[k - 1] = duplicated.columns[1];
    cases.push_back(centred(duplicated, ExpectedTrust::Trusted));
    Dataset summed = signalColumns(n, k, seed);
    summed.name = "sum of two others, seed=" + std::to_string(seed);
    for (std::size_t r = 0; r < n; ++r) summed.columns[k - 1][r] = summed.columns[0][r] + summed.columns[1][r];
    cases.push_back(centred(summed, ExpectedTrust::Trusted));
    cases.push_back(centred(chain(n, k, seed, 1e-7, "neighbours alike to 1e-7"), ExpectedTrust::Trusted));
    Dataset constant = uncentredNoise(n, k, seed, "constant y");
    constant.y.assign(n, 7.25);
    cases.push_back(centred(constant, ExpectedTrust::Trusted));
    Dataset coarse = signalColumns(n, k, seed);
    coarse.name = "a column near 1e19 varying by 1e12, seed=" + std::to_string(seed);
    for (double& value : coarse.columns[1]) value = 1e19 + 1e12 * value;
    cases.push_back(centred(coarse, ExpectedTrust::Fallback));
    Dataset tiny = signalColumns(n, k, seed);
    tiny.name = "a column near 1e-110, seed=" + std::to_string(seed);
    for (double& value : tiny.columns[2]) value *= 1e-110;
    cases.push_back(centred(tiny, ExpectedTrust::Fallback));
    return cases;
}

DropTreeTrust trustOf(const Dataset& data) { return boundedSearchVerdict(data.y, data.columns); }
