#pragma once
// The slot table: the workspace slots the "Select Matrix" list can show, with their list
// texts, grid captions and Excel sheet names exactly as the workbench writes them, and
// the names of every workspace matrix (for dumps and look-ups by name).

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/Workspace.h"

namespace quantorial {

using MatrixSlot = LabelledMatrix Workspace::*;

struct SlotInfo {
  int number;
  const char* slot;  // name of the workspace member, such as "mObserved"
  MatrixSlot matrix;
  const char* listText;     // item of "Select Matrix"
  const char* gridCaption;  // caption "Grid Preview" gives it
  const char* sheetName;    // sheet name "Excel Preview" gives it
  // Slot 8 shows a second matrix (mImpactLag); null elsewhere.
  const char* slot2;
  MatrixSlot matrix2;
  const char* gridCaption2;
  const char* sheetName2;
};

// The slots, in number order.
std::span<const SlotInfo> SlotTable();
// The slot with that number (1..23), or null.
const SlotInfo* FindSlot(int number);
// The order in which "Select Matrix" lists the filled slots.
std::span<const int> SelectMatrixOrder();
// The list items of every filled slot, in list order (slot 8 is tested on mImpact).
std::vector<std::string> SelectMatrixItems(const Workspace& ws);

struct NamedMatrix {
  const char* name;
  MatrixSlot matrix;
};
// Every matrix of the workspace by its member name, list slots first.
std::span<const NamedMatrix> WorkspaceMatrices();
// The workspace matrix of that name, or null.
const NamedMatrix* FindWorkspaceMatrix(std::string_view name);

}  // namespace quantorial
