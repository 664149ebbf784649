// Viewing: "Select Matrix", the grid and Excel previews, saving a matrix as a statistics
// program's data file, Enter and double clicks on a
// grid, the decimals buttons and the panel toggles.
#include <cmath>
#include <filesystem>

#include "export/Export.h"
#include "io/AtomicFile.h"
#include "io/DataFile.h"
#include "matrix/MatrixFunctions.h"
#include "workbench/Workbench.h"
#include "workspace/SlotTable.h"
#include "workspace/ValueRules.h"

namespace quantorial {

void Workbench::cboArrays_GotFocus() {
  const std::string remembered = form.cboArraysText;
  form.cboArrays = SelectMatrixItems(ws);
  if (!remembered.empty()) form.cboArraysText = remembered;
}

void Workbench::cmdViewGrid_Click() {
  const double leading = LeadingNumber(form.cboArraysText);
  const int n = std::isfinite(leading) && leading >= 0 && leading < 1000 ? static_cast<int>(leading) : 0;
  const int target = n != lastGridPreview_ ? 3 : 2;
  lastGridPreview_ = n;
  const SlotInfo* slot = FindSlot(n);
  if (!slot) {
    host_.Preview(ws.mCalculated, target, "Calculated Real Time Series Data");
    return;
  }
  if (slot->matrix2) {
    host_.Preview(ws.*(slot->matrix), target - 2, slot->gridCaption);
    host_.Preview(ws.*(slot->matrix2), target, slot->gridCaption2);
    return;
  }
  host_.Preview(ws.*(slot->matrix), target, slot->gridCaption);
}

void Workbench::OpenWritten(const std::string& path) {
  if (!host_.OpenWithDesktop(path)) {
    Note("No program on this desktop opens workbooks; the workbook was written to\n" + path);
  }
}

void Workbench::cmdViewMatrix_Click() {
  std::error_code ec;
  std::filesystem::create_directories(dataFolder_, ec);
  const std::string base = dataFolder_ + "/" + kTemporaryWorkbookPrefix;
  DeleteTemporaryWorkbooks(dataFolder_, kTemporaryWorkbookPrefix);
  const std::string name = base + TemporaryStamp();
  const double leading = LeadingNumber(form.cboArraysText);
  const int n = std::isfinite(leading) && leading >= 0 && leading < 1000 ? static_cast<int>(leading) : 0;
  const SlotInfo* slot = FindSlot(n);
  std::string error;
  auto write = [&](const LabelledMatrix& m, const std::string& stem, const std::string& sheet) {
    if (!ExportArrayToExcel(m, stem, 1, 1, sheet, "", 0, 0, error)) {
      Fail("Cannot write the workbook \"" + stem + ".xlsx\": " + error, vbCritical);
      return false;
    }
    return m.IsAssigned();
  };
  if (!slot) {
    if (write(ws.mCalculated, name, "Forecast Data")) OpenWritten(name + ".xlsx");
    return;
  }
  if (slot->matrix2 && write(ws.*(slot->matrix2), name + "2", slot->sheetName2)) {
    OpenWritten(name + "2.xlsx");
  }
  if (write(ws.*(slot->matrix), name, slot->sheetName)) OpenWritten(name + ".xlsx");
}

void Workbench::cmdSaveDataFile_Click() {
  const double leading = LeadingNumber(form.cboArraysText);
  const int n = std::isfinite(leading) && leading >= 0 && leading < 1000 ? static_cast<int>(leading) : 0;
  const SlotInfo* slot = FindSlot(n);
  const LabelledMatrix& m = slot ? ws.*(slot->matrix) : ws.mCalculated;
  if (!m.IsFilled()) {
    Fail("The selected matrix is empty; there is nothing to save.");
    return;
  }
  FileDialogRequest request{"Save Matrix as Data File",
                            "Stata Data (*.dta)|*.dta|gretl Data (*.gdt)|*.gdt",
                            dataFolder_,
                            "",
                            {".dta", ".gdt"}};
  auto path = host_.ChooseSaveFile(request);
  if (!path || path->empty()) return;
  *path = request.WithExtension(*path, 0);
  if (!NamesStatisticsFile(*path)) *path += ".dta";
  auto save = [&](const LabelledMatrix& matrix, const std::string& target) {
    std::string bytes, error;
    if (!StatisticsFileBytes(target, matrix, bytes, error) || !WriteFileAtomically(target, bytes, error)) {
      Fail("Cannot write the data file \"" + target + "\": " + error, vbCritical);
      return false;
    }
    return true;
  };
  if (!save(m, *path)) return;
  if (slot && slot->matrix2 && (ws.*(slot->matrix2)).IsFilled()) {
    const std::size_t dot = path->find_last_of('.');
    save(ws.*(slot->matrix2), path->substr(0, dot) + "2" + path->substr(dot));
  }
}

void Workbench::grdShow_KeyPress(int grid, const LabelledMatrix& cells) {
  static const char* const kWords[6] = {"One", "Two", "Three", "Four", "Five", "Six"};
  if (grid < 0 || grid > 5) return;
  std::error_code ec;
  std::filesystem::create_directories(dataFolder_, ec);
  DeleteTemporaryWorkbooks(dataFolder_, kTemporaryWorkbookPrefix);
  const std::string name = dataFolder_ + "/" + kTemporaryWorkbookPrefix + TemporaryStamp();
  std::string error;
  if (!ExportArrayToExcel(cells, name, 1, 1, std::string("GridView") + kWords[grid], "", 0, 0, error)) {
    Fail("Cannot write the workbook \"" + name + ".xlsx\": " + error, vbCritical);
    return;
  }
  if (cells.IsAssigned()) OpenWritten(name + ".xlsx");
}

void Workbench::cmdDecimals_Click(int index) {
  if (index == 0 && ws.nDecimals < kMaxDecimals) ++ws.nDecimals;
  if (index == 1 && ws.nDecimals >= kMinDecimals + 1) --ws.nDecimals;
}

void Workbench::Picture1_DblClick() {
  // Cancel gives the empty text, which removes the prefix.
  ws.sChangeSymbol = host_.InputBox("Enter Change Symbol(s)", "", ws.sChangeSymbol).value_or("");
}

void Workbench::lblBack_Click() {
  form.chkDummyVisible = !form.chkDummyVisible;
  form.picMoreVisible = !form.picMoreVisible;
}

void Workbench::mnuHelpTopics_Click() {
  constexpr const char* kTitle = "Help Topics";
  const std::string manuals =
      "The manual pages: man quantorial (the window) and man quantorial-cli (the batch tool, the script lines, "
      "the scenario and targets files). The tips of the day: Help > Tip of the Day.";
  std::string guide;
  for (const std::string& folder : guideFolders_) {
    if (!folder.empty() && FileExists(folder + "/guide.md")) {
      guide = folder + "/guide.md";
      break;
    }
  }
  if (guide.empty()) {
    return Warn(
        "The guide, \"A first session with Quantorial\", is not installed beside this program: it is docs/guide.md "
        "of Quantorial's sources. " +
            manuals,
        kTitle);
  }
  const bool opened = host_.OpenWithDesktop(guide);
  host_.MsgBox("The guide, \"A first session with Quantorial\", is " + guide +
                   (opened ? " (opened with the desktop's program for it). " : ". ") + manuals,
               vbInformation, kTitle);
}

}  // namespace quantorial
