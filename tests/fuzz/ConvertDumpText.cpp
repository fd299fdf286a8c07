#include "tests/fuzz/ConvertDumpText.h"

#include <cstdlib>
#include <ostream>
#include <streambuf>

#include "dump/DumpLoad.h"
#include "model/ModelStore.h"
#include "output/OutputRun.h"

namespace Fuzz {

namespace {
// Takes console lines and drops them.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};
}  // namespace

void convertDumpText(std::string_view text, std::size_t signalLimit) {
  Model::ModelStore store;
  Dump::loadDumpText(store, text);
  NullBuffer discard;
  std::ostream console(&discard);
  const Output::OutputTexts texts = Output::buildOutputTexts(store, console, signalLimit);
  // Every line of every text ends with CR LF.
  for (const std::string* output : {&texts.map, &texts.database, &texts.warnings}) {
    if (!output->empty() && !output->ends_with("\r\n")) std::abort();
  }
}

}  // namespace Fuzz
