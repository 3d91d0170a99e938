// Loading a data dictionary of 1,000 tables of 20 columns against a bare
// walk of the same file by libxml2's text reader (every node read, every
// attribute fetched, nothing kept), in the same run; the ratio is printed.
#include <benchmark/benchmark.h>
#include <libxml/xmlreader.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/ratio_reporter.h"
#include "datastore/data_dictionary.h"
#include "datastore/table_defn.h"

namespace {

constexpr int kTables = 1000;
constexpr int kColumns = 20;

std::string gv_path;

// Columns of every kind of property, a key and a foreign key per table.
std::string GenerateDictionary() {
  static const char* const kTypes[] = {"BIGINT", "CHAR", "KES_SQL_INT", "DATETIME", "BOOLEAN"};
  std::string xml = "<?xml version=\"1.0\"?>\n<data-dictionary>\n";
  for (int t = 0; t < kTables; ++t) {
    const std::string table = "Table" + std::to_string(t);
    xml += "  <table name=\"" + table + "\">\n    <description>Generated table</description>\n";
    xml += "    <columns>\n";
    for (int c = 0; c < kColumns; ++c) {
      xml += "      <column name=\"Column" + std::to_string(c) + "\">\n";
      xml += std::string("        <data-type>") + kTypes[c % 5] + "</data-type>\n";
      xml += "        <nullable>" + std::string(c == 0 ? "false" : "true") + "</nullable>\n";
      if (c % 5 == 1) xml += "        <max-size>64</max-size>\n";
      if (c % 5 == 2) xml += "        <default-value>42</default-value>\n";
      xml += "        <description>Column " + std::to_string(c) + "</description>\n";
      xml += "      </column>\n";
    }
    xml +=
        "    </columns>\n    <primary-key><primary-key-column>Column0</primary-key-column>"
        "</primary-key>\n";
    if (t > 0) {
      xml += "    <foreign-keys><foreign-key reference-table-name=\"Table" + std::to_string(t - 1) +
             "\"><fk-columns><fk-column><fk-local-column>Column1</fk-local-column>"
             "<fk-reference-column>Column0</fk-reference-column></fk-column></fk-columns>"
             "</foreign-key></foreign-keys>\n";
    }
    xml += "  </table>\n";
  }
  return xml + "</data-dictionary>\n";
}

void BM_LoadDictionary(benchmark::State& state) {
  for (auto _ : state) {
    InitTableDefnList();
    LoadDataDictFromXMLFile(gv_path.c_str());
    benchmark::DoNotOptimize(GetTableDefnList()->count);
    FreeAllTableDefns();
  }
  state.counters["tables"] = kTables;
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

void BM_BareReaderWalk(benchmark::State& state) {
  for (auto _ : state) {
    xmlTextReaderPtr reader = xmlNewTextReaderFilename(gv_path.c_str());
    size_t seen = 0;
    while (xmlTextReaderRead(reader) == 1) {
      xmlChar* name = xmlTextReaderName(reader);
      xmlChar* value = xmlTextReaderValue(reader);
      seen += xmlTextReaderDepth(reader);
      const int attributes = xmlTextReaderAttributeCount(reader);
      for (int i = 0; i < attributes; ++i) {
        xmlChar* attribute = xmlTextReaderGetAttributeNo(reader, i);
        seen += attribute != nullptr;
        xmlFree(attribute);
      }
      xmlFree(name);
      xmlFree(value);
    }
    xmlFreeTextReader(reader);
    benchmark::DoNotOptimize(seen);
  }
}
BENCHMARK(BM_BareReaderWalk)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  char path[] = "/tmp/tavrix-dictionary-bench-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 1;
  const std::string xml = GenerateDictionary();
  if (write(fd, xml.data(), xml.size()) != static_cast<ssize_t>(xml.size())) return 1;
  close(fd);
  gv_path = path;
  benchmark::Initialize(&argc, argv);
  hvbench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.Ratios({{"BM_LoadDictionary", "BM_BareReaderWalk"}});
  benchmark::Shutdown();
  unlink(path);
  return 0;
}
