#include "dependency_test_data.h"

#include <cmath>

#include "regression/centring.h"

namespace {

// Decimals with `places` places in [low, high): the nearest doubles of what a
// worksheet would hold.
DataColumn decimals(TestRandom& random, std::size_t n, double low, double high, int places) {
    const double scale = std::pow(10.0, places);
    DataColumn column(n);
    for (double& value : column) value = std::round(random.between(low, high) * scale) / scale;
    return column;
}

DataColumn combine(const std::vector<const DataColumn*>& parts, const std::vector<double>& factors, double offset = 0) {
    DataColumn result(parts[0]->size(), offset);
    for (std::size_t r = 0; r < result.size(); ++r) {
        for (std::size_t i = 0; i < parts.size(); ++i) result[r] += factors[i] * (*parts[i])[r];
    }
    return result;
}

// y: a noisy combination of the first columns (or given), then everything
// centred.
DependencyCase finish(std::string name, TestRandom& random, std::vector<DataColumn> columns, DataColumn y,
                      std::vector<KnownDependency> dependencies) {
    DependencyCase test;
    test.data.name = std::move(name);
    test.data.columns = std::move(columns);
    test.data.y = std::move(y);
    test.dependencies = std::move(dependencies);
    (void)random;
    centreColumn(test.data.y);
    for (DataColumn& column : test.data.columns) centreColumn(column);
    return test;
}

DataColumn noisyY(TestRandom& random, const std::vector<DataColumn>& columns, std::size_t terms, double noise) {
    const std::size_t n = columns[0].size();
    DataColumn y = decimals(random, n, -noise, noise, 3);
    for (std::size_t i = 0; i < terms && i < columns.size(); ++i) {
        const double factor = 0.5 + static_cast<double>(i % 3);
        for (std::size_t r = 0; r < n; ++r) y[r] += factor * columns[i][r];
    }
    return y;
}

}  // namespace

std::vector<DependencyCase> dependencyCases() {
    std::vector<DependencyCase> cases;
    TestRandom random(20261208);
    const std::size_t n = 24;

    {  // 合計 = 国内 + 海外, and an unrelated column
        const DataColumn a = decimals(random, n, 10, 90, 2), b = decimals(random, n, 5, 40, 2);
        const DataColumn c = decimals(random, n, -3, 3, 2);
        std::vector<DataColumn> columns{a, b, combine({&a, &b}, {1, 1}), c};
        const DataColumn y = noisyY(random, {a, b, c}, 3, 4.0);
        cases.push_back(finish("sum of two", random, columns, y, {{2, {0, 1}}}));
    }
    {  // a total of three parts, placed first
        const DataColumn a = decimals(random, n, 1, 9, 3), b = decimals(random, n, 0, 5, 3), c = decimals(random, n, 2, 4, 3);
        const DataColumn d = decimals(random, n, -1, 1, 2);
        std::vector<DataColumn> columns{a, d, b, c, combine({&a, &b, &c}, {1, 1, 1})};
        const DataColumn y = noisyY(random, {a, b, d}, 3, 2.0);
        cases.push_back(finish("sum of three", random, columns, y, {{4, {0, 2, 3}}}));
    }
    {  // the same quantity in other units
        const DataColumn cm = decimals(random, n, 140, 190, 1), x = decimals(random, n, 0, 10, 2);
        std::vector<DataColumn> columns{cm, x, combine({&cm}, {1.0 / 2.54}), combine({&x}, {3}), combine({&cm}, {0.001})};
        const DataColumn y = noisyY(random, {cm, x}, 2, 5.0);
        cases.push_back(finish("scaled copies (inch, 3x, 0.001)", random, columns, y,
                               {{2, {0}}, {3, {1}}, {4, {0}}}));
    }
    {  // a full set of dummies beside the intercept, and a continuous column
        DataColumn d1(n), d2(n), d3(n);
        for (std::size_t r = 0; r < n; ++r) {
            const int group = random.integer(0, 2);
            d1[r] = group == 0;
            d2[r] = group == 1;
            d3[r] = group == 2;
        }
        d1[0] = 1, d2[0] = 0, d3[0] = 0;  // every group present
        d1[1] = 0, d2[1] = 1, d3[1] = 0;
        d1[2] = 0, d2[2] = 0, d3[2] = 1;
        const DataColumn x = decimals(random, n, 0, 1, 3);
        std::vector<DataColumn> columns{x, d1, d2, d3};
        const DataColumn y = noisyY(random, {x, d1, d2}, 3, 0.5);
        cases.push_back(finish("full dummy set", random, columns, y, {{3, {1, 2}}}));
    }
    {  // a plain copy, and a sum with large offsets (centring leaves rounding)
        const DataColumn a = decimals(random, n, 1e4, 1e4 + 50, 2), b = decimals(random, n, 2e3, 2e3 + 20, 2);
        const DataColumn c = decimals(random, n, 0, 1, 3);
        std::vector<DataColumn> columns{a, c, b, c, combine({&a, &b}, {1, 1})};
        const DataColumn y = noisyY(random, {a, b, c}, 3, 10.0);
        cases.push_back(finish("copy and offset sum", random, columns, y, {{3, {1}}, {4, {0, 2}}}));
    }
    {  // polynomial terms of an uncentred year, with a dependent of trend and noise
        std::vector<DataColumn> columns(4, DataColumn(31));
        DataColumn y(31);
        for (std::size_t r = 0; r < 31; ++r) {
            const double year = 1990.0 + static_cast<double>(r);
            columns[0][r] = year;
            columns[1][r] = year * year;
            columns[2][r] = year * year * year;
            columns[3][r] = year * year * year * year;
            const double t = year - 2005.0;
            y[r] = 3.0 + 0.2 * t - 0.01 * t * t + std::round(random.between(-1, 1) * 100) / 100;
        }
        // year⁴ keeps only about 1e-16 of its centred spread apart from the
        // lower powers: below the rank rule's tolerance, so it counts as
        // their combination.
        DependencyCase test = finish("powers of a year", random, columns, y, {{3, {0, 1, 2}}});
        cases.push_back(test);
    }
    {  // y fitted exactly by two of four columns
        const DataColumn a = decimals(random, n, -5, 5, 2), b = decimals(random, n, 0, 3, 2);
        const DataColumn c = decimals(random, n, 1, 2, 2), d = decimals(random, n, -1, 1, 2);
        std::vector<DataColumn> columns{a, b, c, d};
        const DataColumn y = combine({&a, &c}, {1.5, -0.7}, 12.25);
        DependencyCase test = finish("exact fit", random, columns, y, {});
        test.fittedBy = {0, 2};
        cases.push_back(test);
    }
    {  // legal near-collinearity: x_j = x_0 + ε_j·z_j with 1 − R² from about 1e-9 to 1e-2
        const DataColumn x = decimals(random, n, 0, 10, 2);
        std::vector<DataColumn> columns{x};
        for (double epsilon : {6e-5, 3e-3, 0.3}) {
            DataColumn near(x);
            const DataColumn z = decimals(random, n, -1, 1, 3);
            for (std::size_t r = 0; r < n; ++r) near[r] += epsilon * 3.0 * z[r];
            columns.push_back(near);
        }
        columns.push_back(decimals(random, n, -2, 2, 2));
        const DataColumn y = noisyY(random, columns, 5, 1.0);
        DependencyCase test = finish("legal near-collinearity", random, columns, y, {});
        test.legalCollinearity = true;
        cases.push_back(test);
    }
    return cases;
}
