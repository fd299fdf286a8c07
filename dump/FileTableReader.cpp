#include "dump/FileTableReader.h"

#include "dump/LinePatterns.h"
#include "dump/NumberText.h"
#include "model/ModelStore.h"

namespace Dump {

LineStart lineStartOf(std::string_view line) {
  const char* const begin = line.data();
  const char* const end = begin + line.size();
  const char* at = begin;
  while (at != end && *at == ' ')
    ++at;
  const char* const spacesEnd = at;
  while (at != end && (*at == ' ' || *at == '\t'))
    ++at;
  LineStart start;
  start.indent = static_cast<std::size_t>(at - begin);
  start.indentedBySpaces = at == spacesEnd && at != begin;
  start.first = at != end ? *at : '\0';
  return start;
}

namespace {
// A path in a version 5 table may be a reference into a string section, printed with
// the string after it.
std::string_view withoutStringReference(std::string_view value) {
  Groups1 path;
  return lineStringPattern.match(value, path) ? path[0] : value;
}
}  // namespace

FileTableReader::FileTableReader(Model::ModelStore& store) : store_(store) {}
FileTableReader::~FileTableReader() = default;

bool FileTableReader::readLine(std::string_view line, const LineStart& start) {
  if (readHeader(line, start)) return true;
  if (inDirectoryTable_) {
    readDirectoryRow(line);
    return true;
  }
  if (inFileTable_) {
    readFileRow(line);
    return true;
  }
  return false;
}

bool FileTableReader::readHeader(std::string_view line, const LineStart& start) {
  // Every header line starts with blanks; its first word tells which it can be.
  if (start.indent == 0) return false;
  switch (start.first) {
    case 'O': {
      Groups1 offset;
      if (lineTableOffsetPattern.match(line, offset) ||
          lineTableOffsetWithoutPrefixPattern.match(line, offset)) {
        startList(readHex(offset[0]));
        return true;
      }
      return false;
    }
    case 'T':
      if (directoryTableHeaderPattern.matches(line)) {
        inDirectoryTable_ = true;
        directoryRows_ = RowForm::Plain;
        return true;
      }
      if (directoryTableAtOffsetHeaderPattern.matches(line)) {
        inDirectoryTable_ = true;
        directoryRows_ = RowForm::Numbered;
        return true;
      }
      if (directoryTableWithColumnsHeaderPattern.matches(line)) {
        inDirectoryTable_ = true;
        directoryRows_ = RowForm::Numbered;
        countFromZero();
        return true;
      }
      if (fileTableWithColumnsHeaderPattern.matches(line)) {
        inFileTable_ = true;
        fileRows_ = RowForm::Numbered;
        countFromZero();
        return true;
      }
      return false;
    case 'E':
      if (fileTableHeaderPattern.matches(line)) {
        // In a version 5 table this is only the column line of a table already open.
        if (!inFileTable_) fileRows_ = RowForm::Plain;
        inFileTable_ = true;
        return true;
      }
      return false;
    default:
      return false;
  }
}

void FileTableReader::startList(std::uint32_t offset) {
  auto list = std::make_unique<Model::StatementList>(offset);
  current_ = list.get();
  auto& kept = store_.statementListsByOffset;
  if (kept.contains(offset)) {
    unkept_ = std::move(list);
  } else {
    kept.emplace(offset, std::move(list));
    unkept_.reset();
  }
}

void FileTableReader::countFromZero() {
  if (current_ != nullptr) current_->firstEntryNumber = 0;
}

void FileTableReader::readDirectoryRow(std::string_view line) {
  if (line.empty() || current_ == nullptr) {
    inDirectoryTable_ = false;
    return;
  }
  Groups1 row;
  if (directoryRows_ == RowForm::Plain) {
    if (indentedTextPattern.match(line, row)) current_->addDirectory(row[0]);
  } else if (indexedRowPattern.match(line, row)) {
    current_->addDirectory(withoutStringReference(row[0]));
  }
}

void FileTableReader::readFileRow(std::string_view line) {
  if (line.empty() || current_ == nullptr) {
    inFileTable_ = false;
    return;
  }
  if (fileRows_ == RowForm::Plain) {
    Groups3 row;
    if (fileEntryPattern.match(line, row)) {
      current_->addFile(static_cast<std::int32_t>(readDecimal(row[1])), row[2]);
    }
    return;
  }
  Groups4 row;
  Groups1 nameOnly;
  if (formattedFileEntryPattern.match(line, row)) {
    current_->addFile(static_cast<std::int32_t>(readDecimal(row[1])),
                      withoutStringReference(row[3]));
  } else if (indexedRowPattern.match(line, nameOnly)) {
    // A table without a directory column: the file is in the compilation directory.
    current_->addFile(0, withoutStringReference(nameOnly[0]));
  }
}

}  // namespace Dump
