// Sequential row reads from the grid file.
#include "HeightGrid.h"

namespace orandu {

std::size_t HeightGrid::ReadRow(GridRow& row) {
  return file_.Read(row);
}

}  // namespace orandu
