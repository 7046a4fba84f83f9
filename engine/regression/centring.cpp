#include "regression/centring.h"

void centreColumn(DataColumn& column) {
    if (column.empty()) {
        return;
    }
    double sum = 0.0;
    for (double value : column) {
        sum += value;
    }
    const double mean = sum / static_cast<double>(column.size());
    for (double& value : column) {
        value -= mean;
    }
}
