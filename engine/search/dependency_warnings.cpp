#include "search/dependency_warnings.h"

#include "regression/centring.h"
#include "regression/linear_dependencies.h"
#include "search/constant_column.h"

namespace {

std::string listOf(const std::vector<std::string>& names, const std::vector<std::size_t>& indices) {
    std::string text;
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i > 0) text += ", ";
        text += names.at(indices[i]);
    }
    return text;
}

// With n rows the centred columns lie in a space of n − 1 dimensions, so
// any n of them are linearly dependent and any n − 1 fit every y exactly:
// the row count alone makes it so, and no model can have that many
// variables anyway (it would leave no residual degree of freedom).
bool forcedByRows(std::size_t columnsInvolved, std::size_t rows) { return columnsInvolved + 1 >= rows; }

std::string rowsLine(std::size_t rows) {
    const std::string head = "with " + std::to_string(rows) + " rows ";
    if (rows < 3) return head + "no model leaves a residual degree of freedom";
    const std::size_t most = rows - 2;
    return head + "a model holds at most " + std::to_string(most) + " explanatory variable" + (most == 1 ? "" : "s");
}

}  // namespace

std::vector<std::string> dependencyWarnings(const RunBlock& block) {
    std::vector<std::string> lines;
    if (block.dependentColumns.empty() || block.explanatoryColumns.empty()) return lines;
    const std::size_t rows = block.explanatoryColumns[0].size();
    if (block.explanatoryColumns.size() + 1 >= rows) lines.push_back(rowsLine(rows));
    std::vector<DataColumn> columns = block.explanatoryColumns;
    for (DataColumn& column : columns) prepareColumn(column);
    bool dependenciesSaid = false;
    for (std::size_t i = 0; i < block.dependentColumns.size(); ++i) {
        if (isConstantColumn(block.dependentColumns[i])) continue;
        DataColumn y = block.dependentColumns[i];
        prepareColumn(y);
        const DependencyReport report = findLinearDependencies(y, columns);
        // The dependencies do not depend on y: said once, with the first
        // dependent variable that has variance.
        if (!dependenciesSaid) {
            dependenciesSaid = true;
            for (const LinearDependency& dependency : report.dependencies) {
                if (forcedByRows(dependency.combination.size() + 1, rows)) continue;
                lines.push_back(block.explanatoryNames.at(dependency.column) + " is a linear combination of " +
                                listOf(block.explanatoryNames, dependency.combination) +
                                ": models that contain all of them are left out");
            }
        }
        if (report.exactFit && !forcedByRows(report.fittedBy.size(), rows)) {
            lines.push_back(block.dependentNames.at(i) + " is fitted exactly by " +
                            listOf(block.explanatoryNames, report.fittedBy));
        }
    }
    return lines;
}
