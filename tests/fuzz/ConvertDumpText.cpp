#include "tests/fuzz/ConvertDumpText.h"

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <streambuf>

#include "dump/DumpLoad.h"
#include "elf/ImageLoad.h"
#include "model/ModelStore.h"
#include "output/OutputRun.h"

namespace Fuzz {

namespace {

// Takes console lines and drops them.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
};

// The walk of every variable and the output texts of a loaded store.
void convertStore(const Model::ModelStore& store, std::size_t signalLimit) {
  NullBuffer discard;
  std::ostream console(&discard);
  // The A2L description too, as with --a2l.
  const std::string module = "fuzz";
  const Output::OutputTexts texts = Output::buildOutputTexts(store, console, signalLimit, &module);
  // Every line of every text ends with CR LF.
  for (const std::string* output : {&texts.map, &texts.database, &texts.warnings, &texts.a2l}) {
    if (!output->empty() && !output->ends_with("\r\n")) std::abort();
  }
}
}  // namespace

void convertDumpText(std::string_view text, std::size_t signalLimit) {
  Model::ModelStore store;
  // The first bytes of the input stand for the image's .debug_addr, so that reading
  // addresses from it meets any bytes too.
  Dump::loadDumpText(store, text, [text] {
    return std::optional<Dump::ImageAddressSection>({std::string(text.substr(0, 256)), true});
  });
  convertStore(store, signalLimit);
}

void convertElfBytes(std::string_view bytes, const std::string& scratchFile,
                     std::size_t signalLimit) {
  {
    std::ofstream out(scratchFile, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
  }
  Model::ModelStore store;
  std::string whyNot;
  if (!Elf::loadImage(store, scratchFile, whyNot)) {
    if (whyNot.empty()) std::abort();  // every refusal says why
    return;
  }
  convertStore(store, signalLimit);
}

}  // namespace Fuzz
