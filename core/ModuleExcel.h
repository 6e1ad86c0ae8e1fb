#pragma once
// ModuleExcel: attaching to the workbook automation and opening a workbook.

#include <QString>
#include <memory>

namespace excel {
class Workbook;
}

// The open workbook of that path, or the workbook opened now; activated.
// When the application is not visible its visibility becomes `visible`.
// An empty name gives "No File Name!"; a workbook that cannot be opened
// gives a box with the error's description and number; both give nullptr.
// Closing the workbook is the caller's.
std::shared_ptr<excel::Workbook> OpenExcelWorkbook(const QString& fileName, bool visible);
