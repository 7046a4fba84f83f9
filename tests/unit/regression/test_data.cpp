#include "test_data.h"

std::uint64_t TestRandom::next() {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double TestRandom::uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

double TestRandom::between(double low, double high) { return low + (high - low) * uniform(); }

int TestRandom::integer(int low, int high) {
    return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1));
}

namespace {

DataColumn randomColumn(TestRandom& random, std::size_t n, double low, double high) {
    DataColumn column(n);
    for (double& value : column) {
        value = random.between(low, high);
    }
    return column;
}

DataColumn integerColumn(TestRandom& random, std::size_t n, int low, int high) {
    DataColumn column(n);
    for (double& value : column) {
        value = random.integer(low, high);
    }
    return column;
}

DataColumn scaled(const DataColumn& column, double factor) {
    DataColumn result(column);
    for (double& value : result) {
        value *= factor;
    }
    return result;
}

DataColumn sum(const DataColumn& a, const DataColumn& b) {
    DataColumn result(a);
    for (std::size_t r = 0; r < result.size(); ++r) {
        result[r] += b[r];
    }
    return result;
}

}  // namespace

Dataset randomDataset(std::size_t n, std::size_t k, std::uint64_t seed) {
    TestRandom random(seed);
    Dataset data{"random n=" + std::to_string(n) + " k=" + std::to_string(k), randomColumn(random, n, -1, 1), {}};
    for (std::size_t i = 0; i < k; ++i) {
        data.columns.push_back(randomColumn(random, n, -1, 1));
    }
    return data;
}

std::vector<Dataset> differentialDatasets() {
    std::vector<Dataset> sets;
    sets.push_back(randomDataset(3, 4, 11));
    sets.push_back(randomDataset(9, 6, 12));
    sets.push_back(randomDataset(40, 8, 13));
    sets.push_back(randomDataset(150, 7, 14));

    TestRandom random(99);
    sets.push_back({"collinear x2 = 2 x1", {1, 3, 2, 5}, {{1, 2, 3, 4}, {2, 4, 6, 8}, {0.5, -1, 2, 0.25}}});

    Dataset duplicated = randomDataset(12, 4, 15);
    duplicated.name = "duplicated columns";
    duplicated.columns.push_back(duplicated.columns[1]);
    duplicated.columns.push_back(duplicated.columns[0]);
    sets.push_back(duplicated);

    Dataset summed = randomDataset(15, 4, 16);
    summed.name = "sum of two others (rounded)";
    summed.columns.push_back(sum(summed.columns[0], summed.columns[2]));
    sets.push_back(summed);

    Dataset integerSum{"sum of two others (integers)", integerColumn(random, 10, 0, 20), {}};
    integerSum.columns.push_back(integerColumn(random, 10, 1, 9));
    integerSum.columns.push_back(integerColumn(random, 10, -5, 5));
    integerSum.columns.push_back(sum(integerSum.columns[0], integerSum.columns[1]));
    integerSum.columns.push_back(integerColumn(random, 10, 0, 3));
    sets.push_back(integerSum);

    Dataset nearly = randomDataset(20, 3, 17);
    nearly.name = "proportional up to rounding";
    DataColumn thirds(nearly.columns[0]);
    for (double& value : thirds) {
        value = value / 3.0 * 3.0;
    }
    nearly.columns.push_back(thirds);
    nearly.columns.push_back(scaled(nearly.columns[1], 1.0 + 0x1.0p-50));
    nearly.columns.push_back(scaled(nearly.columns[2], 0.1));
    sets.push_back(nearly);

    Dataset worksheet{"integers as typed", integerColumn(random, 30, 150, 190), {}};
    worksheet.columns.push_back(integerColumn(random, 30, 20, 65));   // ages
    worksheet.columns.push_back(integerColumn(random, 30, 0, 10));    // counts
    worksheet.columns.push_back(integerColumn(random, 30, 1, 5));     // ratings
    worksheet.columns.push_back(integerColumn(random, 30, 1990, 2024));  // years
    worksheet.columns.push_back(integerColumn(random, 30, 0, 1));     // a flag
    worksheet.columns.push_back(integerColumn(random, 30, 40, 120));  // weights
    sets.push_back(worksheet);

    Dataset huge = randomDataset(12, 3, 18);
    huge.name = "magnitudes near 1e+150 and 1e-150";
    huge.y = scaled(huge.y, 1e150);
    huge.columns[0] = scaled(huge.columns[0], 1e150);
    huge.columns[1] = scaled(huge.columns[1], 1e-150);
    huge.columns.push_back(scaled(randomColumn(random, 12, 1, 2), 1e-150));
    huge.columns.push_back(scaled(randomColumn(random, 12, -3, 3), 3e149));
    sets.push_back(huge);

    Dataset tiny = randomDataset(10, 4, 19);
    tiny.name = "dependent near 1e-150";
    tiny.y = scaled(tiny.y, 1e-150);
    tiny.columns[2] = scaled(tiny.columns[2], 1e150);
    sets.push_back(tiny);

    Dataset overflow = randomDataset(6, 4, 20);
    overflow.name = "overflowing cross-products";
    overflow.columns[1] = scaled(overflow.columns[1], 1e160);
    overflow.columns[3] = scaled(overflow.columns[3], 1e-170);
    sets.push_back(overflow);

    Dataset constant = randomDataset(10, 4, 21);
    constant.name = "constant dependent variable";
    constant.y.assign(10, 7.25);
    sets.push_back(constant);

    Dataset zero = randomDataset(8, 3, 22);
    zero.name = "dependent variable all zero";
    zero.y.assign(8, 0.0);
    sets.push_back(zero);

    Dataset offset = randomDataset(25, 4, 23);
    offset.name = "large offsets";
    for (std::size_t r = 0; r < 25; ++r) {
        offset.columns[0][r] = 2000.0 + static_cast<double>(r);
        offset.columns[1][r] += 1e6;
        offset.y[r] += 5e4 + 0.5 * offset.columns[0][r];
    }
    sets.push_back(offset);
    return sets;
}
