// Numbering a circuit graph and turning it into the five matrices of the
// matrix method, with the text listings of the graph and of the matrices.
#pragma once

#include <string>

#include "circuit/graph.h"
#include "params/state.h"

namespace tps {

// Global branch and node numbers: the inner branches of every circle in
// circle order, then the closing source branch of every circle, then the
// connections; the inner nodes in circle order (ground nodes are 0). So the
// first NodeCount branches form a tree that reaches every node from the
// ground, and each of the remaining branches closes one independent loop.
// Also pairs the branches of mutually coupled circles. Raises ProgramError
// when coupled circles are cut into different numbers of branches.
void Number(TGraff& g);

// Fills st.Circuit.MatM, MatN, MatZ, MatE, MatJ, NodeCount, BranchCount
// (fresh matrices, all zero first) and the node and branch maps of the step;
// with st.Options.WriteMatrices also writes "Temp\matrM.txt" .. "Temp\matrJ.txt".
// The graph must be numbered (ProgramError otherwise).
void BuildMatrices(AppState& st, TGraff& g);

// The listing of a numbered graph ("graff.txt"): circles with their nodes and
// branches, connections, mutual partners and mutual impedances.
void WriteGraphText(const TGraff& g, const WorkDir& wd, const std::string& name);
// A matrix of the step as text ("Temp\matrM.txt" ...): the real parts, one
// line per row, each value followed by one blank.
void WriteMatText(const WorkDir& wd, const CMat& A, int rows, int cols, const std::string& name);

}  // namespace tps
