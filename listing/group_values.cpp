#include "listing/group_values.h"

#include "listing/parse_location.h"

#include <string>

bool readGroupValues(std::string_view location, std::string_view gene, std::string_view file, int64_t contig,
                     ParsedCds& cds, Problem& problem) {
  cds.segments.clear();
  // The location parser reads a "#CDS=" line, the key included.
  std::string line = "#CDS=";
  line.append(location);
  cds.flags = line.find("complement") != std::string::npos ? COMPLEMENT : 0;
  if (!parseLocation(line, cds, problem)) return false;
  if (gene.size() > MAX_NAME_LENGTH) return problem = Problem::GENE_NAME_TOO_LONG, false;
  if (file.size() > MAX_NAME_LENGTH) return problem = Problem::FILE_NAME_TOO_LONG, false;
  if (contig > MAX_NUMBER) return problem = Problem::CONTIG_TOO_LARGE, false;
  cds.gene.assign(gene);
  cds.file.assign(file);
  cds.contig = static_cast<int32_t>(contig);
  return true;
}
