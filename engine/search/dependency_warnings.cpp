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

}  // namespace

std::vector<std::string> dependencyWarnings(const RunBlock& block) {
    std::vector<std::string> lines;
    if (block.dependentColumns.empty() || block.explanatoryColumns.empty()) return lines;
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
                lines.push_back(block.explanatoryNames.at(dependency.column) + " is a linear combination of " +
                                listOf(block.explanatoryNames, dependency.combination) +
                                ": models that contain all of them are left out");
            }
        }
        if (report.exactFit) {
            lines.push_back(block.dependentNames.at(i) + " is fitted exactly by " +
                            listOf(block.explanatoryNames, report.fittedBy));
        }
    }
    return lines;
}
