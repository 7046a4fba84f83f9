#include "search/constant_column.h"

bool isConstantColumn(const DataColumn& column) {
    if (column.size() < 2) return true;
    for (std::size_t r = 1; r < column.size(); ++r) {
        if (!(column[r] == column[0])) return false;
    }
    return true;
}
