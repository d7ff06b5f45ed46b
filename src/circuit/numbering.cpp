// Global numbering of a circuit graph, the matrices of the matrix method built
// from it, and the "graff.txt" listing.
#include "circuit/numbering.h"

#include <vector>

#include "circuit/headfiles.h"
#include "params/conv.h"
#include "params/errors.h"
#include "arith/matr.h"

namespace tps {

namespace {

// A graph numbered for the matrices: every number lies within the counts.
struct Counts {
  int Nodes = 0, Branches = 0;
};

Counts CountOf(const TGraff& g) {
  Counts n;
  for (const auto& c : g.Circles) {
    n.Nodes += c->NodeCount - 2;
    n.Branches += c->BranchCount;
  }
  n.Branches += static_cast<int>(g.Connections.size());
  return n;
}

// The index j of the inner node of circle c with that number (the branches
// 1..j lead from the ground at substation A to it); 0 when there is none.
int InnerIndex(const TCircle& c, uint16_t number) {
  if (number == 0) return 0;
  for (int j = 1; j + 1 < c.NodeCount; ++j)
    if (c.Nodes[j]->Number == number) return j;
  return 0;
}

}  // namespace

void Number(TGraff& g) {
  // Check the coupled circles before changing anything: branch e of a circle
  // is paired with branch e of each partner.
  for (int16_t ci : g.MutualGroup) {
    if (ci < 0 || ci >= static_cast<int>(g.Circles.size()))
      throw ProgramError("Во взаимной группе нет контура " + std::to_string(ci));
    const TCircle& c = *g.Circles[ci];
    for (uint8_t p : c.Partners) {
      if (p >= g.Circles.size()) throw ProgramError("Контур " + c.Name + " связан с несуществующим контуром");
      if (g.Circles[p]->BranchCount != c.BranchCount)
        throw ProgramError("Взаимно связанные контуры " + c.Name + " и " + g.Circles[p]->Name +
                           " разбиты на разное число ветвей");
    }
  }
  const Counts n = CountOf(g);
  if (n.Nodes > 65535 || n.Branches > 65535) throw ProgramError("Слишком большая схема");

  // 1. Branches: inner branches circle by circle, then the closing source
  // branches, then the connections.
  uint16_t k = 1;
  for (auto& c : g.Circles)
    for (int i = 1; i < c->BranchCount; ++i) c->Branches[i]->Number = k++;
  for (auto& c : g.Circles) {
    TBranch& closing = *c->Branches[c->BranchCount];
    closing.Number = k++;
    closing.Appended = 1;
  }
  for (auto& b : g.Connections) {
    b->Number = k++;
    b->Appended = 1;
  }

  // 2. Nodes: the two ends of every circle are the ground.
  k = 1;
  for (auto& c : g.Circles) {
    c->Nodes.front()->Number = 0;
    c->Nodes.back()->Number = 0;
    for (int j = 1; j + 1 < c->NodeCount; ++j) c->Nodes[j]->Number = k++;
  }

  // 3. Branch ends.
  for (auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) {
      TBranch& b = *c->Branches[i];
      b.FromNode = c->Nodes[i - 1]->Number;
      b.ToNode = c->Nodes[i]->Number;
    }
  for (auto& b : g.Connections) {
    b->FromNode = b->FromNodeRef ? b->FromNodeRef->Number : 0;
    b->ToNode = b->ToNodeRef ? b->ToNodeRef->Number : 0;
  }

  // 4, 5. Mutual partners and impedances, rebuilt from scratch.
  for (auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) {
      c->Branches[i]->MutualBranches.clear();
      c->Branches[i]->MutualZ.clear();
    }
  for (int16_t ci : g.MutualGroup) {
    TCircle& c = *g.Circles[ci];
    for (int e = 1; e <= c.BranchCount; ++e) {
      TBranch& b = *c.Branches[e];
      b.PartnerBranchCount = static_cast<int16_t>(g.MutualCount - 1);
      b.MutualBranches.clear();
      for (uint8_t p : c.Partners) b.MutualBranches.push_back(g.Circles[p]->Branches[e].get());
    }
  }
  if (g.MutualCount != 0) {
    for (auto& c : g.Circles) {
      if (c->Partners.empty()) continue;
      for (int e = 1; e <= c->BranchCount; ++e) {
        TBranch& b = *c->Branches[e];
        b.MutualZ.clear();
        for (size_t p = 0; p < c->Partners.size(); ++p) {
          const TComplex perKm = p < c->MutualPerKm.size() ? c->MutualPerKm[p] : TComplex{};
          b.MutualZ.push_back(CMul(perKm, CFromReal(b.Length)));
        }
      }
    }
  }
  g.Numbered = true;
}

void BuildMatrices(AppState& st, TGraff& g) {
  if (!g.Numbered) throw ProgramError("Матрицы строятся только по пронумерованному графу");
  const Counts n = CountOf(g);
  const int nNodes = n.Nodes, nBranches = n.Branches;
  const int d = static_cast<int>(g.Circles.size() + g.Connections.size());

  // Every number must address a row or column of the matrices.
  auto checkNode = [&](uint16_t v) {
    if (v > nNodes) throw ProgramError("Номер узла " + std::to_string(v) + " вне схемы");
  };
  auto checkBranch = [&](uint16_t v) {
    if (v < 1 || v > nBranches) throw ProgramError("Номер ветви " + std::to_string(v) + " вне схемы");
  };
  for (const auto& c : g.Circles) {
    for (int i = 1; i <= c->BranchCount; ++i) {
      const TBranch& b = *c->Branches[i];
      checkBranch(b.Number);
      checkNode(b.FromNode);
      checkNode(b.ToNode);
      for (const TBranch* m : b.MutualBranches) checkBranch(m->Number);
    }
    for (const auto& node : c->Nodes) checkNode(node->Number);
  }
  for (const auto& b : g.Connections) {
    checkBranch(b->Number);
    checkNode(b->FromNode);
    checkNode(b->ToNode);
  }

  StepCircuit& sc = st.Circuit;
  CMat M(nNodes, nBranches), N(d, nBranches), Z(nBranches, nBranches), E(nBranches, 1), J(nNodes, 1);
  const TComplex plus{1, 0}, minus{-1, 0};

  // Incidence: a branch leaves its from node and enters its to node.
  auto incidence = [&](const TBranch& b, int column) {
    if (b.FromNode != 0) M(b.FromNode, column) = minus;
    if (b.ToNode != 0) M(b.ToNode, column) = plus;
  };
  for (const auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) incidence(*c->Branches[i], c->Branches[i]->Number);
  const int firstConnection = nBranches - static_cast<int>(g.Connections.size()) + 1;
  for (size_t k = 0; k < g.Connections.size(); ++k)
    incidence(*g.Connections[k], firstConnection + static_cast<int>(k));
  if (st.Options.WriteMatrices) WriteMatText(st.Work, M, nNodes, nBranches, "Temp\\matrM.txt");

  // Independent loops: ground - source A - line - source B - ground for
  // every circle; for every connection the way from the ground through
  // source A to its from node, across it, and back along the to circle.
  for (size_t k = 0; k < g.Circles.size(); ++k) {
    const TCircle& c = *g.Circles[k];
    for (int i = 1; i <= c.BranchCount; ++i) N(static_cast<int>(k) + 1, c.Branches[i]->Number) = plus;
  }
  for (size_t k = 0; k < g.Connections.size(); ++k) {
    const TBranch& con = *g.Connections[k];
    const int row = static_cast<int>(g.Circles.size() + k) + 1;
    // The two halves are summed, so a connection between two places of one
    // circle cancels the common part of the way and still closes a loop.
    // The way from the ground along the circle holding `node`, branch 1 up
    // to the branch that ends at it, added to the row with `sign`.
    auto addWay = [&](uint16_t node, TComplex sign) {
      for (const auto& c : g.Circles) {
        const int j = InnerIndex(*c, node);
        if (j == 0) continue;
        for (int i = 1; i <= j; ++i) {
          TComplex& cell = N(row, c->Branches[i]->Number);
          cell = CAdd(cell, sign);
        }
        return;
      }
    };
    addWay(con.FromNode, plus);
    addWay(con.ToNode, minus);
    N(row, con.Number) = CAdd(N(row, con.Number), plus);
  }
  if (st.Options.WriteMatrices) WriteMatText(st.Work, N, d, nBranches, "Temp\\matrN.txt");

  // Impedances with the mutual terms between paired branches.
  for (const auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) Z(c->Branches[i]->Number, c->Branches[i]->Number) = c->Branches[i]->Z;
  for (const auto& b : g.Connections) Z(b->Number, b->Number) = b->Z;
  if (g.MutualCount != 0) {
    for (const auto& c : g.Circles) {
      if (c->Partners.empty()) continue;
      for (int i = 1; i <= c->BranchCount; ++i) {
        const TBranch& b = *c->Branches[i];
        for (size_t p = 0; p < b.MutualBranches.size() && p < b.MutualZ.size(); ++p)
          Z(b.Number, b.MutualBranches[p]->Number) = b.MutualZ[p];
      }
    }
  }
  if (st.Options.WriteMatrices) WriteMatText(st.Work, Z, nBranches, nBranches, "Temp\\matrZ.txt");

  // Source EMFs; source B acts against the branch direction.
  for (const auto& c : g.Circles)
    for (int i = 1; i <= c->BranchCount; ++i) {
      const TBranch& b = *c->Branches[i];
      if (b.HasEmf == 1) E(b.Number, 1) = b.Forward == 1 ? b.Emf : CNeg(b.Emf);
    }
  if (st.Options.WriteMatrices) WriteMatText(st.Work, E, nBranches, 1, "Temp\\matrE.txt");

  // Node currents of the trains (and their rail returns).
  for (const auto& c : g.Circles)
    for (int j = 1; j + 1 < c->NodeCount; ++j) {
      const TNode& node = *c->Nodes[j];
      if (node.HasLoad == 1 && node.Number != 0) J(node.Number, 1) = node.Current;
    }
  if (st.Options.WriteMatrices) WriteMatText(st.Work, J, nNodes, 1, "Temp\\matrJ.txt");

  sc.MatM = M;
  sc.MatN = N;
  sc.MatZ = Z;
  sc.MatE = E;
  sc.MatJ = J;
  sc.NodeCount = nNodes;
  sc.BranchCount = nBranches;
  if (st.Options.WriteMatrices) WriteHeadFiles(st.Work, J, E, M, N, Z, nNodes, nBranches);

  // Where every node and branch lies, for the results of the step.
  sc.NodeCircle.assign(nNodes, 0);
  sc.NodeKm.assign(nNodes, 0.0);
  sc.BranchFrom.assign(nBranches, 0);
  sc.BranchTo.assign(nBranches, 0);
  for (const auto& c : g.Circles) {
    double km = 0;
    for (int i = 1; i <= c->BranchCount; ++i) {
      const TBranch& b = *c->Branches[i];
      km += b.Length;
      sc.BranchFrom[b.Number - 1] = b.FromNode;
      sc.BranchTo[b.Number - 1] = b.ToNode;
      const uint16_t to = c->Nodes[i]->Number;
      if (to != 0 && i + 1 < c->NodeCount) {
        sc.NodeCircle[to - 1] = c->Index;
        sc.NodeKm[to - 1] = km;
      }
    }
  }
  for (const auto& b : g.Connections) {
    sc.BranchFrom[b->Number - 1] = b->FromNode;
    sc.BranchTo[b->Number - 1] = b->ToNode;
  }
}

void WriteGraphText(const TGraff& g, const WorkDir& wd, const std::string& name) {
  std::vector<std::string> lines;
  for (const auto& c : g.Circles) {
    std::string line = c->Name + ": ";
    for (int j = 0; j < c->NodeCount; ++j) {
      const TNode& node = *c->Nodes[j];
      line += "(." + std::to_string(node.Number) + ".)[" + FloatToStr(node.Current.Re) + "]";
      if (j + 1 <= c->BranchCount) {
        const TBranch& b = *c->Branches[j + 1];
        line += "_" + std::to_string(b.FromNode) + "___" + std::to_string(b.Number) + "___" +
                std::to_string(b.ToNode) + "_";
      }
    }
    lines.push_back(line);
    lines.emplace_back();
  }
  lines.emplace_back();
  lines.emplace_back();
  for (const auto& b : g.Connections)
    lines.push_back("{" + std::to_string(b->FromCircle) + "}(" + std::to_string(b->FromNode) + ") ===" +
                    std::to_string(b->Number) + "==> (" + std::to_string(b->ToNode) + "){" +
                    std::to_string(b->ToCircle) + "}");
  lines.emplace_back();
  lines.emplace_back();
  if (g.MutualCount != 0) {
    for (const auto& c : g.Circles) {
      std::string line = "{" + std::to_string(c->Index) + "} || ";
      for (uint8_t p : c->Partners) line += "{" + std::to_string(p) + "}";
      lines.push_back(line);
    }
  }
  lines.emplace_back();
  lines.emplace_back();
  if (g.MutualCount != 0) {
    for (const auto& c : g.Circles) {
      if (c->Partners.empty()) continue;
      for (int i = 1; i <= c->BranchCount; ++i) {
        const TBranch& b = *c->Branches[i];
        for (size_t p = 0; p < b.MutualBranches.size() && p < b.MutualZ.size(); ++p)
          lines.push_back(std::to_string(b.Number) + " ~~>  " + std::to_string(b.MutualBranches[p]->Number) +
                          " = " + FloatToStr(b.MutualZ[p].Re));
      }
    }
  }
  WriteTextLines(wd, name, lines);
}

void WriteMatText(const WorkDir& wd, const CMat& A, int rows, int cols, const std::string& name) {
  if (rows < 0 || cols < 0 || (rows > 0 && cols > 0 && (A.Empty() || A.Rows() < rows || A.Cols() < cols)))
    throw ProgramError("WriteMatText: the matrix is smaller than the dimensions given");
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(rows > 0 ? rows : 0));
  for (int i = 1; i <= rows; ++i) {
    std::string line;
    for (int j = 1; j <= cols; ++j) {
      line += FloatToStr(A(i, j).Re);
      line += ' ';
    }
    lines.push_back(std::move(line));
  }
  WriteTextLines(wd, name, lines);
}

}  // namespace tps
