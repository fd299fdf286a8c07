#pragma once

#include <memory>
#include <string_view>

namespace Model {
class ModelStore;
class StatementList;
}  // namespace Model

namespace Dump {

// The start of a line as the per-line rules look at it.
struct LineStart {
  std::size_t indent = 0;         // leading blanks and tabs
  bool indentedBySpaces = false;  // at least one leading character, all of them blanks
  char first = '\0';              // the first character after them, NUL at the end
};
LineStart lineStartOf(std::string_view line);

// Reads the directory and file-name tables of the line-number programs into the store's
// StatementLists.
class FileTableReader {
 public:
  explicit FileTableReader(Model::ModelStore& store);
  ~FileTableReader();

  // The file-table rules of the per-line procedure: a program's offset line, the table
  // headers, and the rows of an open table. True when the line was taken.
  bool readLine(std::string_view line, const LineStart& start);

 private:
  // How the rows of an open table are written.
  enum class RowForm {
    Plain,     // the directory itself, or "entry dir time size name"
    Numbered,  // "index<tab>value", the value maybe a string-section reference
  };

  bool readHeader(std::string_view line, const LineStart& start);
  void startList(std::uint32_t offset);
  void readDirectoryRow(std::string_view line);
  void readFileRow(std::string_view line);
  void countFromZero();

  Model::ModelStore& store_;
  Model::StatementList* current_ = nullptr;
  // A list whose offset the store already had: it takes its rows but is not kept.
  std::unique_ptr<Model::StatementList> unkept_;
  bool inDirectoryTable_ = false;
  bool inFileTable_ = false;
  RowForm directoryRows_ = RowForm::Plain;
  RowForm fileRows_ = RowForm::Plain;
};

}  // namespace Dump
