#include "io/DataFile.h"

#include <sys/stat.h>

#include "io/AtomicFile.h"
#include "io/CsvReader.h"
#include "matrix/MatrixFunctions.h"

namespace quantorial {

namespace {

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

DataFileResult ReadDataFile(const std::string& path) {
  DataFileResult result;
  std::string content, reason;
  if (!ReadWholeFile(path, content, reason)) {
    result.error = "Cannot read the data file \"" + path + "\": " + reason;
    return result;
  }
  const char delimiter = LowerExtension(path) == ".txt" ? GuessDelimiter(content) : ',';
  if (!ParseCsv(content, delimiter, result.matrix, reason)) {
    result.error = "Cannot read the data file \"" + path + "\": " + reason;
  }
  return result;
}

LabelledMatrix ExcelArrayLoad(const std::string& path, Host* host) {
  if (!FileExists(path)) return LabelledMatrix();
  DataFileResult r = ReadDataFile(path);
  if (!r.error.empty() && host) MsgBoxEx(*host, r.error, vbCritical + vbOKOnly);
  return std::move(r.matrix);
}

std::optional<std::string> DataFileAccess::ChooseMatrixFile(const std::string& title) {
  FileDialogRequest request;
  request.title = title.empty() ? kSelectDataFileTitle : title;
  request.filter = kDataFileFilter;
  request.initialFolder = initialFolder_;
  auto path = host_.ChooseOpenFile(request);
  if (!path || !FileExists(*path)) return std::nullopt;
  return path;
}

LabelledMatrix DataFileAccess::ExcelArrayLoad(const std::string& path) {
  return quantorial::ExcelArrayLoad(path, &host_);
}

}  // namespace quantorial
