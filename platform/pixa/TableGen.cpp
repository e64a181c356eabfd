// pixa-tblgen: writes the converter's default table file.
//   pixa-tblgen OUT.tbl
// The build runs it to put "pixa_tbl.tbl" beside the program.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/pixa/PixaFormat.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pixa-tblgen OUT.tbl\n");
    return 2;
  }
  const std::vector<uint8_t> table = pixa::WriteTable(pixa::DefaultTable());
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "pixa-tblgen: cannot create %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  const bool written = std::fwrite(table.data(), 1, table.size(), out) == table.size();
  if (std::fclose(out) != 0 || !written) {
    std::fprintf(stderr, "pixa-tblgen: cannot write %s\n", argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
