#include "search_test_data.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "subset_search/bounded_search.h"
#include "regression/centring.h"

void centreDataset(Dataset& data) {
    prepareColumn(data.y);
    for (DataColumn& column : data.columns) prepareColumn(column);
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

Dataset fewRowsDataset(std::size_t n, std::size_t k, double noise, std::uint64_t seed) {
    Dataset data = uncentredNoise(n, k, seed, "few rows, y from one column");
    data.name += " noise=" + std::to_string(noise);
    for (std::size_t r = 0; r < n; ++r) data.y[r] = data.columns[0][r] + noise * data.y[r];
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
    cases.push_back(centred(coarse, ExpectedTrust::Trusted));
    Dataset tiny = signalColumns(n, k, seed);
    tiny.name = "a column near 1e-110, seed=" + std::to_string(seed);
    for (double& value : tiny.columns[2]) value *= 1e-110;
    cases.push_back(centred(tiny, ExpectedTrust::Trusted));
    Dataset tinyLeftAlone = tiny;
    tinyLeftAlone.name = "a column near 1e-110 left unscaled, seed=" + std::to_string(seed);
    centreColumn(tinyLeftAlone.y);
    for (DataColumn& column : tinyLeftAlone.columns) centreColumn(column);
    cases.push_back({tinyLeftAlone, ExpectedTrust::Fallback});
    return cases;
}

DropTreeTrust trustOf(const Dataset& data) { return boundedSearchVerdict(data.y, data.columns); }

const char* hardKindName(HardKind kind) {
    switch (kind) {
    case HardKind::TotalColumn: return "total_column";
    case HardKind::ScaledCopies: return "scaled_copies";
    case HardKind::DummySet: return "dummy_set";
    case HardKind::YearPowers: return "year_powers";
    case HardKind::Longley: return "longley";
    case HardKind::FarScales: return "scales_1e-6_to_1e9";
    case HardKind::NearExact8: return "near_exact_1e-8";
    case HardKind::NearExact12: return "near_exact_1e-12";
    case HardKind::ConstantColumn: return "constant_column";
    case HardKind::TimestampsNs: return "timestamps_ns";
    default: return "few_rows";
    }
}

std::size_t hardKindLeastColumns(HardKind kind) { return kind == HardKind::Longley ? 1 : 8; }

namespace {

// Longley's data (1947–1962): GNP deflator, GNP, unemployed, armed forces,
// population, year; and employed, the dependent variable.
constexpr double longley[16][7] = {
    {83.0, 234289, 2356, 1590, 107608, 1947, 60323}, {88.5, 259426, 2325, 1456, 108632, 1948, 61122},
    {88.2, 258054, 3682, 1616, 109773, 1949, 60171}, {89.5, 284599, 3351, 1650, 110929, 1950, 61187},
    {96.2, 328975, 2099, 3099, 112075, 1951, 63221}, {98.1, 346999, 1932, 3594, 113270, 1952, 63639},
    {99.0, 365385, 1870, 3547, 115094, 1953, 64989}, {100.0, 363112, 3578, 3350, 116219, 1954, 63761},
    {101.2, 397469, 2904, 3048, 117388, 1955, 66019}, {104.6, 419180, 2822, 2857, 118734, 1956, 67857},
    {108.4, 442769, 2936, 2798, 120445, 1957, 68169}, {110.8, 444546, 4681, 2637, 121950, 1958, 66513},
    {112.6, 482704, 3813, 2552, 123366, 1959, 68655}, {114.2, 502601, 3931, 2514, 125368, 1960, 69564},
    {115.7, 518173, 4806, 2572, 127852, 1961, 69331}, {116.9, 554894, 4007, 2827, 130081, 1962, 70551},
};

}  // namespace

Dataset hardDataset(HardKind kind, std::size_t n, std::size_t k, std::uint64_t seed) {
    if (kind == HardKind::FewRows) n = k + 2;
    Dataset data = uncentredNoise(n, k, seed, hardKindName(kind));
    TestRandom random(seed ^ 0x4A2D);
    // y: a few of the columns with weights, plus noise of the given size.
    const auto signal = [&](double noise) {
        for (std::size_t r = 0; r < n; ++r) {
            data.y[r] = data.columns[0][r] - 0.7 * data.columns[2][r] + 0.4 * data.columns[5][r] + noise * data.y[r];
        }
    };
    switch (kind) {
    case HardKind::TotalColumn:
        signal(0.5);
        for (std::size_t r = 0; r < n; ++r) {
            data.columns[k - 1][r] = data.columns[1][r] + data.columns[3][r] + data.columns[4][r];
        }
        break;
    case HardKind::ScaledCopies:
        signal(0.5);
        for (std::size_t r = 0; r < n; ++r) {
            data.columns[k - 1][r] = 3.0 * data.columns[0][r];
            data.columns[k - 2][r] = 2.54 * data.columns[1][r];
            data.columns[k - 3][r] = 0.001 * data.columns[2][r];
        }
        break;
    case HardKind::DummySet:
        for (std::size_t r = 0; r < n; ++r) {
            const int level = random.integer(0, 4);
            for (int d = 0; d < 5; ++d) data.columns[k - 5 + static_cast<std::size_t>(d)][r] = level == d ? 1.0 : 0.0;
        }
        signal(0.5);
        for (std::size_t r = 0; r < n; ++r) data.y[r] += data.columns[k - 3][r];
        break;
    case HardKind::YearPowers:
        for (std::size_t r = 0; r < n; ++r) {
            const double year = 1990.0 + static_cast<double>(r % 31);
            data.columns[k - 4][r] = year;
            data.columns[k - 3][r] = year * year;
            data.columns[k - 2][r] = year * year * year;
            data.columns[k - 1][r] = year * year * year * year;
        }
        signal(0.5);
        for (std::size_t r = 0; r < n; ++r) data.y[r] += 0.01 * (data.columns[k - 4][r] - 2005.0);
        break;
    case HardKind::Longley:
        for (std::size_t r = 0; r < n; ++r) {
            for (std::size_t j = 0; j < std::min<std::size_t>(k, 6); ++j) {
                data.columns[j][r] = longley[r % 16][j] * (r < 16 ? 1.0 : 1.0 + 1e-3 * data.columns[j][r]);
            }
            data.y[r] = longley[r % 16][6] + (r < 16 ? 0.0 : 100.0 * data.y[r]);
        }
        break;
    case HardKind::FarScales:
        signal(0.5);
        for (std::size_t j = 0; j < k; ++j) {
            const double factor = std::pow(10.0, -6.0 + 15.0 * static_cast<double>(j) / static_cast<double>(k - 1));
            for (double& value : data.columns[j]) value *= factor;
        }
        break;
    case HardKind::NearExact8: signal(1e-8); break;
    case HardKind::NearExact12: signal(1e-12); break;
    case HardKind::ConstantColumn:
        signal(0.5);
        data.columns[k - 1].assign(n, 0.1);
        break;
    case HardKind::TimestampsNs:
        // Nanoseconds since 1970 near 2020 (about 1.6e18) taken every 3 s
        // with a jitter of up to a millisecond, as a logger writes them:
        // doubles there are multiples of 256, and a plain mean of such
        // values is off by thousands of nanoseconds.
        signal(0.5);
        for (std::size_t r = 0; r < n; ++r) {
            const double step = 3e9 * static_cast<double>(r) + random.between(0, 1e6);
            data.columns[k - 1][r] = 1.6e18 + step;
            data.y[r] += 0.5 * step / (3e9 * static_cast<double>(n));
        }
        break;
    default: signal(0.5); break;
    }
    centreDataset(data);
    data.name += " n=" + std::to_string(n) + " k=" + std::to_string(k) + " seed=" + std::to_string(seed);
    return data;
}

SubsetRequest searchRequest(std::int32_t criterion, std::uint32_t keepCount, std::uint32_t perSize,
                            SubsetMask forced, std::uint32_t threads) {
    SubsetRequest request;
    request.criterion = static_cast<RankCriterion>(criterion);
    request.keepCount = keepCount;
    request.perSize = perSize;
    request.forced = forced;
    request.cpScale = 0.5;
    request.threads = threads;
    return request;
}
