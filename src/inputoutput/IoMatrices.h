#pragma once
// The toolkit's results as labelled matrices, for the workspace's slots and grids.

#include <string>
#include <vector>

#include "inputoutput/IoAnalysis.h"
#include "inputoutput/IoPlan.h"
#include "inputoutput/IoTable.h"
#include "workspace/LabelledMatrix.h"

namespace quantorial {

// A square matrix with the sectors as row and column labels.
LabelledMatrix SectorMatrix(const std::vector<std::string>& sectors, const std::vector<std::vector<double>>& rows,
                            const std::string& corner);

// One row per sector: the output multiplier, the type-I (and type-II) multiplier of every
// primary input, the backward and forward linkages and "key" for a key sector.
LabelledMatrix MultiplierTable(const IoTable& t, const IoAnalysis& a);

// One row per sector with the given columns (name, values); columns without values are left out.
LabelledMatrix SectorColumns(const std::vector<std::string>& sectors,
                             const std::vector<std::pair<std::string, std::vector<double>>>& columns,
                             const std::string& corner);

// The plan: one row per sector (output, final demand), then one per primary input
// (requirement), then one per constraint (shadow price, and "binding").
LabelledMatrix PlanTable(const IoTable& t, const IoPlanResult& r);

}  // namespace quantorial
