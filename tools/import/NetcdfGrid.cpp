// Finding the heights in a netCDF file and reading them a band of rows at a time.
#include "tools/import/NetcdfGrid.h"
#include "region/files/AsciiCase.h"

#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>

#include "tools/import/ClassicLayout.h"
#include "tools/import/ImportError.h"
#include "tools/import/NetcdfCalls.h"

namespace orandu {
namespace {

// Far beyond any height the grid can hold, and far enough inside a double's range that weighted
// sums of such values (weights of up to about 1e14 in all) stay finite.
constexpr double kFarthestHeight = 1e290;
// No global grid is finer than one arc-second; a file declaring more samples than that is no
// height grid, and reading it would take days.
constexpr double kOneArcSecond = 1.0 / 3600;
// A row wider than this (a 10″ grid has 129600 columns) is no height grid a viewer needs.
constexpr std::size_t kMostColumns = 1u << 22;

std::string TextAttribute(int file, int variable, const char* name) {
  nc_type type = NC_NAT;
  std::size_t length = 0;
  if (nc_inq_att(file, variable, name, &type, &length) != NC_NOERR || type != NC_CHAR) return {};
  std::string text(length, '\0');
  if (nc_get_att_text(file, variable, name, text.data()) != NC_NOERR) return {};
  text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
  return text;
}

std::vector<double> NumberAttribute(int file, int variable, const char* name) {
  nc_type type = NC_NAT;
  std::size_t length = 0;
  if (nc_inq_att(file, variable, name, &type, &length) != NC_NOERR || type == NC_CHAR ||
      type == NC_STRING || length == 0 || length > 16) {
    return {};
  }
  std::vector<double> values(length);
  if (nc_get_att_double(file, variable, name, values.data()) != NC_NOERR) return {};
  return values;
}

// An attribute's type and number of values; NC_NAT when the variable has no such attribute.
struct AttributeShape {
  nc_type type = NC_NAT;
  std::size_t length = 0;
};

AttributeShape ShapeOf(int file, int variable, const char* name) {
  AttributeShape shape;
  if (nc_inq_att(file, variable, name, &shape.type, &shape.length) != NC_NOERR) return {};
  return shape;
}

std::string Number(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

std::string VariableName(int file, int variable) {
  char name[NC_MAX_NAME + 1] = {};
  CheckNetcdf(nc_inq_varname(file, variable, name), "cannot read a variable's name");
  return name;
}

enum class AxisKind { kLatitude, kLongitude, kProjected, kUnknown };

// What a coordinate variable measures, from CF attributes or, failing them, its usual names.
AxisKind Classify(int file, int variable) {
  const std::string name = LowerCase(VariableName(file, variable));
  const std::string units = LowerCase(TextAttribute(file, variable, "units"));
  const std::string standard = LowerCase(TextAttribute(file, variable, "standard_name"));
  const std::string axis = LowerCase(TextAttribute(file, variable, "axis"));
  const std::string longName = LowerCase(TextAttribute(file, variable, "long_name"));
  for (const char* north :
       {"degrees_north", "degree_north", "degrees_n", "degree_n", "degreesn", "degreen"}) {
    if (units.find(north) != std::string::npos) return AxisKind::kLatitude;
  }
  for (const char* east :
       {"degrees_east", "degree_east", "degrees_e", "degree_e", "degreese", "degreee"}) {
    if (units.find(east) != std::string::npos) return AxisKind::kLongitude;
  }
  const bool inDegrees = units.empty() || units.starts_with("degree");
  const bool isY = name == "y" || axis == "y";
  const bool isX = name == "x" || axis == "x";
  if (inDegrees) {
    if (standard == "latitude" || name == "lat" || name == "latitude" ||
        (isY && longName.find("latitude") != std::string::npos)) {
      return AxisKind::kLatitude;
    }
    if (standard == "longitude" || name == "lon" || name == "longitude" ||
        (isX && longName.find("longitude") != std::string::npos)) {
      return AxisKind::kLongitude;
    }
  }
  // Grids of the mapping toolkits name geographic axes x and y too, with no units but their
  // extent: exactly the whole globe is read as latitude and longitude.
  if (units.empty()) {
    const std::vector<double> range = NumberAttribute(file, variable, "actual_range");
    if (isY && range.size() == 2 && range[0] == -90 && range[1] == 90) return AxisKind::kLatitude;
    if (isX && range.size() == 2 && range[1] - range[0] == 360) return AxisKind::kLongitude;
  }
  if (isX || isY || standard.starts_with("projection_")) return AxisKind::kProjected;
  return AxisKind::kUnknown;
}

// The coordinate variable of a dimension: a 1-D variable of the same name over it.
std::optional<int> CoordinateVariable(int file, int dimension) {
  const std::string name = NetcdfDimensionName(file, dimension);
  int variable = -1;
  if (nc_inq_varid(file, name.c_str(), &variable) != NC_NOERR) return std::nullopt;
  int dimensions = 0;
  int over = -1;
  if (nc_inq_varndims(file, variable, &dimensions) != NC_NOERR || dimensions != 1) {
    return std::nullopt;
  }
  CheckNetcdf(nc_inq_vardimid(file, variable, &over), "cannot inspect " + name);
  if (over != dimension) return std::nullopt;
  return variable;
}

AxisKind DimensionKind(int file, int dimension) {
  const std::optional<int> coordinate = CoordinateVariable(file, dimension);
  return coordinate ? Classify(file, *coordinate) : AxisKind::kUnknown;
}

// A 2-D variable and what its dimensions measure.
struct Candidate {
  int id = -1;
  std::string name;
  int dimensions[2] = {-1, -1};
  AxisKind kinds[2] = {AxisKind::kUnknown, AxisKind::kUnknown};
  bool IsHeightGrid() const {
    return kinds[0] == AxisKind::kLatitude && kinds[1] == AxisKind::kLongitude;
  }
};

std::vector<Candidate> TwoDimensionalVariables(int file) {
  int count = 0;
  CheckNetcdf(nc_inq_nvars(file, &count), "cannot list the variables");
  std::vector<Candidate> candidates;
  for (int id = 0; id < count; ++id) {
    int dimensions = 0;
    CheckNetcdf(nc_inq_varndims(file, id, &dimensions), "cannot inspect a variable");
    if (dimensions != 2) continue;
    Candidate candidate;
    candidate.id = id;
    candidate.name = VariableName(file, id);
    CheckNetcdf(nc_inq_vardimid(file, id, candidate.dimensions),
                "cannot inspect " + candidate.name);
    for (int i = 0; i < 2; ++i) candidate.kinds[i] = DimensionKind(file, candidate.dimensions[i]);
    candidates.push_back(candidate);
  }
  return candidates;
}

std::string Dimensions(int file, const Candidate& candidate) {
  return candidate.name + "(" + NetcdfDimensionName(file, candidate.dimensions[0]) + ", " +
         NetcdfDimensionName(file, candidate.dimensions[1]) + ")";
}

// Why a 2-D variable is not a height grid this tool can read.
std::string WhyNotAHeightGrid(int file, const Candidate& candidate) {
  const std::string shape = Dimensions(file, candidate);
  if (candidate.kinds[0] == AxisKind::kLongitude && candidate.kinds[1] == AxisKind::kLatitude) {
    return shape + " is stored longitude before latitude, which is not supported";
  }
  if (candidate.kinds[0] == AxisKind::kProjected || candidate.kinds[1] == AxisKind::kProjected) {
    return shape + " is on projected x/y coordinates: not a geographic latitude/longitude grid";
  }
  return shape + " has no latitude and longitude coordinates: not a geographic grid";
}

std::vector<double> ReadCoordinates(int file, int dimension) {
  const std::optional<int> variable = CoordinateVariable(file, dimension);
  const std::string name = NetcdfDimensionName(file, dimension);
  std::size_t length = 0;
  CheckNetcdf(nc_inq_dimlen(file, dimension, &length), "cannot read the length of " + name);
  if (length > kMostColumns) {
    throw ImportError(name + " has " + std::to_string(length) + " values, more than " +
                      std::to_string(kMostColumns) + " this tool reads");
  }
  std::vector<double> values(length);
  CheckNetcdf(nc_get_var_double(file, *variable, values.data()), "cannot read " + name);
  return values;
}

// How far from its true value a stored coordinate may lie, relative to its size.
double StoredPrecision(int file, int dimension) {
  nc_type type = NC_NAT;
  CheckNetcdf(nc_inq_vartype(file, *CoordinateVariable(file, dimension), &type),
              "cannot inspect " + NetcdfDimensionName(file, dimension));
  if (type == NC_FLOAT) return std::ldexp(1.0, -23);
  if (type == NC_DOUBLE) return std::ldexp(1.0, -52);
  return 0;
}

// The first longitude on its grid's lattice, whole half steps from 0°, when the stored value
// agrees with that within its precision: a single-precision -179.979167 is -180° + 1.25′, and
// read as stored it would shift every cell edge, taking slivers of neighbouring cells into means.
double OnTheLattice(double first, double step, double precision) {
  const double halfStep = step / 2;
  const double lattice = std::nearbyint(first / halfStep) * halfStep;
  return std::fabs(first - lattice) <= std::max(std::fabs(first), 1.0) * precision ? lattice
                                                                                   : first;
}

std::size_t TypeSize(int type) {
  switch (type) {
    case NC_BYTE:
    case NC_UBYTE:
      return 1;
    case NC_SHORT:
    case NC_USHORT:
      return 2;
    case NC_INT:
    case NC_UINT:
    case NC_FLOAT:
      return 4;
    case NC_INT64:
    case NC_UINT64:
    case NC_DOUBLE:
      return 8;
    default:
      return 0;
  }
}

// Turns stored values of type T into metres, NaN where missing, and widens the range seen.
template <typename T>
void Decode(const unsigned char* stored, std::span<double> heights, const ValueCoding& coding,
            std::optional<double>& lowest, std::optional<double>& highest) {
  double low = lowest.value_or(HUGE_VAL);
  double high = highest.value_or(-HUGE_VAL);
  for (std::size_t i = 0; i < heights.size(); ++i) {
    T value;
    std::memcpy(&value, stored + i * sizeof(T), sizeof(T));
    const auto asDouble = static_cast<double>(value);
    bool missing =
        !std::isfinite(asDouble) || asDouble < coding.validMin || asDouble > coding.validMax;
    for (const double fill : coding.missing) missing = missing || asDouble == fill;
    if (missing) {
      heights[i] = std::numeric_limits<double>::quiet_NaN();
      continue;
    }
    // Clamped so that no sum of them overflows: 1e300 and -1e300 side by side once became
    // infinities of opposite signs as floats, and a weighted mean of them not a number.
    const double metres =
        std::clamp(asDouble * coding.scale + coding.offset, -kFarthestHeight, kFarthestHeight);
    low = std::min(low, metres);
    high = std::max(high, metres);
    heights[i] = metres;
  }
  if (low <= high) {
    lowest = low;
    highest = high;
  }
}

// A fill value as the type stores it: a double fill on a float variable compares as a float.
double AsStored(double fill, int type) {
  return type == NC_FLOAT ? static_cast<double>(static_cast<float>(fill)) : fill;
}

}  // namespace

NetcdfGrid::NetcdfGrid(const std::filesystem::path& input,
                       const std::optional<std::string>& variable) {
  RequireRegularInput(input);
  CheckNetcdf(nc_open(input.c_str(), NC_NOWRITE, &file_), "cannot open");
  FindVariable(variable);
  ReadCoding();
  // The classic formats read a cut-short file's missing end as zeros, so its length is checked.
  int format = 0;
  CheckNetcdf(nc_inq_format(file_, &format), "cannot read the format");
  if (format != NC_FORMAT_NETCDF4 && format != NC_FORMAT_NETCDF4_CLASSIC) {
    RequireWholeClassicVariable(input, variableName_);
  }
  FindChunks();
  FindPlainShorts();
}

NetcdfGrid::~NetcdfGrid() {
  if (file_ >= 0) nc_close(file_);
}

void NetcdfGrid::FindVariable(const std::optional<std::string>& variable) {
  const std::vector<Candidate> candidates = TwoDimensionalVariables(file_);
  const Candidate* chosen = nullptr;
  if (variable) {
    int id = -1;
    if (nc_inq_varid(file_, variable->c_str(), &id) != NC_NOERR) {
      throw ImportError("no variable " + *variable + " in the file");
    }
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [&](const Candidate& c) { return c.id == id; });
    if (found == candidates.end()) {
      throw ImportError(*variable + " is not a 2-D grid over latitude and longitude");
    }
    if (!found->IsHeightGrid()) throw ImportError(WhyNotAHeightGrid(file_, *found));
    chosen = &*found;
  } else {
    std::vector<const Candidate*> grids;
    for (const Candidate& candidate : candidates) {
      if (candidate.IsHeightGrid()) grids.push_back(&candidate);
    }
    if (grids.size() > 1) {
      std::string names;
      for (const Candidate* grid : grids) names += (names.empty() ? "" : ", ") + grid->name;
      throw ImportError("several height variables (" + names +
                        "): choose one with --variable NAME");
    }
    if (grids.empty()) {
      if (!candidates.empty()) throw ImportError(WhyNotAHeightGrid(file_, candidates.front()));
      throw ImportError("no height variable: no 2-D variable over latitude and longitude");
    }
    chosen = grids.front();
  }
  variableId_ = chosen->id;
  variableName_ = chosen->name;
  latitude_ = FitLatitudeAxis(NetcdfDimensionName(file_, chosen->dimensions[0]),
                              ReadCoordinates(file_, chosen->dimensions[0]));
  longitude_ = FitLongitudeAxis(NetcdfDimensionName(file_, chosen->dimensions[1]),
                                ReadCoordinates(file_, chosen->dimensions[1]));
  longitude_.first = OnTheLattice(longitude_.first, longitude_.step,
                                  StoredPrecision(file_, chosen->dimensions[1]));
  if (latitude_.step < kOneArcSecond * (1 - 1e-9) || longitude_.step < kOneArcSecond * (1 - 1e-9)) {
    throw ImportError(chosen->name + " has " + std::to_string(longitude_.count) + " × " +
                      std::to_string(latitude_.count) +
                      " samples: finer than one arc-second, more than any global grid has");
  }
  nc_type type = NC_NAT;
  CheckNetcdf(nc_inq_vartype(file_, variableId_, &type), "cannot inspect " + variableName_);
  type_ = type;
  typeSize_ = TypeSize(type_);
  if (typeSize_ == 0) {
    throw ImportError(variableName_ + " holds " + TypeName() + " values, not numbers");
  }
}

void NetcdfGrid::ReadCoding() {
  // A packing that is not one number cannot be applied: ignored, it would give heights scaled
  // wrongly with no word said.
  for (const char* name : {"scale_factor", "add_offset"}) {
    const AttributeShape shape = ShapeOf(file_, variableId_, name);
    if (shape.type == NC_CHAR || shape.type == NC_STRING) {
      throw ImportError(variableName_ + "'s " + name + " is text, not a number");
    }
    if (shape.type != NC_NAT && shape.length != 1) {
      throw ImportError(variableName_ + "'s " + name + " has " + std::to_string(shape.length) +
                        " values, not one number");
    }
  }
  if (const auto scale = NumberAttribute(file_, variableId_, "scale_factor"); !scale.empty()) {
    coding_.scale = scale.front();
  }
  if (const auto offset = NumberAttribute(file_, variableId_, "add_offset"); !offset.empty()) {
    coding_.offset = offset.front();
  }
  for (const char* name : {"_FillValue", "missing_value"}) {
    for (const double value : NumberAttribute(file_, variableId_, name)) {
      coding_.missing.push_back(AsStored(value, type_));
    }
  }
  // Values never written read as the default fill, which marks them missing when the variable
  // names no fill of its own; only the floating-point default lies far outside any height.
  if (NumberAttribute(file_, variableId_, "_FillValue").empty()) {
    if (type_ == NC_FLOAT) coding_.missing.push_back(AsStored(NC_FILL_FLOAT, type_));
    if (type_ == NC_DOUBLE) coding_.missing.push_back(NC_FILL_DOUBLE);
  }
  if (const auto range = NumberAttribute(file_, variableId_, "valid_range"); range.size() == 2) {
    coding_.validMin = range[0];
    coding_.validMax = range[1];
  }
  if (const auto low = NumberAttribute(file_, variableId_, "valid_min"); !low.empty()) {
    coding_.validMin = low.front();
  }
  if (const auto high = NumberAttribute(file_, variableId_, "valid_max"); !high.empty()) {
    coding_.validMax = high.front();
  }
  if (coding_.validMin > coding_.validMax) {
    throw ImportError(variableName_ + " has valid values from " + Number(coding_.validMin) +
                      " up to " + Number(coding_.validMax) + ": the low end is above the high end");
  }
  if (!std::isfinite(coding_.scale) || !std::isfinite(coding_.offset) || coding_.scale == 0) {
    throw ImportError(variableName_ + " has an unusable scale_factor or add_offset");
  }
}

void NetcdfGrid::FindChunks() {
  int storage = 0;
  std::size_t chunks[2] = {0, 0};
  CheckNetcdf(nc_inq_var_chunking(file_, variableId_, &storage, chunks),
              "cannot inspect the storage of " + variableName_);
  if (storage != NC_CHUNKED || chunks[0] == 0 || chunks[1] == 0) return;
  chunkRows_ = chunks[0];
  chunkColumns_ = std::min(chunks[1], longitude_.count);
}

void NetcdfGrid::FindPlainShorts() {
  if (type_ != NC_SHORT || coding_.scale != 1 || coding_.offset != 0) return;
  PlainShorts shorts;
  // An integer lies within a valid range exactly when it lies within the range's whole numbers;
  // fmax and fmin also pass a NaN bound by, as the comparisons with it in Decode do. A range
  // beyond 16 bits on either side leaves lowestValid above highestValid: every value missing.
  shorts.lowestValid = static_cast<std::int32_t>(
      std::ceil(std::fmin(std::fmax(coding_.validMin, INT16_MIN), INT16_MAX + 1.0)));
  shorts.highestValid = static_cast<std::int32_t>(
      std::floor(std::fmax(std::fmin(coding_.validMax, INT16_MAX), INT16_MIN - 1.0)));
  std::size_t held = 0;
  for (const double fill : coding_.missing) {
    // Only whole numbers in the valid range can mark a value missing that the range does not.
    if (fill != std::nearbyint(fill) || fill < shorts.lowestValid || fill > shorts.highestValid) {
      continue;
    }
    const auto value = static_cast<std::int32_t>(fill);
    if (std::find(shorts.missing.begin(), shorts.missing.end(), value) != shorts.missing.end()) {
      continue;
    }
    if (held == shorts.missing.size()) return;
    shorts.missing[held++] = value;
  }
  plainShorts_ = shorts;
}

std::size_t NetcdfGrid::ChunkBytes() const {
  return chunkRows_ * chunkColumns_ * typeSize_;
}

std::size_t NetcdfGrid::ChunkRowBytes() const {
  if (chunkRows_ == 0) return 0;
  const std::size_t chunksAcross = (longitude_.count + chunkColumns_ - 1) / chunkColumns_;
  return chunksAcross * ChunkBytes();
}

void NetcdfGrid::CacheChunks(std::size_t bytes) {
  if (chunkRows_ == 0) return;
  const std::size_t chunksAcross = (longitude_.count + chunkColumns_ - 1) / chunkColumns_;
  CheckNetcdf(nc_set_var_chunk_cache(file_, variableId_, bytes, 4 * chunksAcross + 1, 1.0f),
              "cannot size the chunk cache");
}

std::string NetcdfGrid::TypeName() const {
  switch (type_) {
    case NC_BYTE:
      return "byte";
    case NC_UBYTE:
      return "unsigned byte";
    case NC_SHORT:
      return "short";
    case NC_USHORT:
      return "unsigned short";
    case NC_INT:
      return "int";
    case NC_UINT:
      return "unsigned int";
    case NC_INT64:
      return "int64";
    case NC_UINT64:
      return "unsigned int64";
    case NC_FLOAT:
      return "float";
    case NC_DOUBLE:
      return "double";
    default:
      return "type " + std::to_string(type_);
  }
}

std::size_t NetcdfGrid::RowsToChunkEdge(std::size_t first) const {
  const std::size_t rowsLeft = latitude_.count - first;
  if (chunkRows_ == 0) return rowsLeft;
  if (!latitude_.ascending) return std::min(rowsLeft, chunkRows_ - first % chunkRows_);
  // Read from the north, an ascending file's rows run down through each chunk.
  const std::size_t fileRow = latitude_.count - 1 - first;
  return std::min(rowsLeft, fileRow % chunkRows_ + 1);
}

void NetcdfGrid::ReadStored(std::size_t first, std::size_t count, std::size_t firstColumn,
                            std::size_t columns, void* values) {
  // The file's rows run from the south when latitudes ascend.
  const std::size_t fileFirst = latitude_.ascending ? latitude_.count - first - count : first;
  const std::size_t start[2] = {fileFirst, firstColumn};
  const std::size_t counts[2] = {count, columns};
  CheckNetcdf(nc_get_vara(file_, variableId_, start, counts, values),
              "cannot read " + variableName_ + " at latitude index " + std::to_string(fileFirst));
}

std::size_t NetcdfGrid::ReadPlainShorts(std::size_t first, std::size_t count,
                                        std::size_t firstColumn, std::size_t columns,
                                        std::span<std::int16_t> heights) {
  storedShorts_.resize(count * columns);
  ReadStored(first, count, firstColumn, columns, storedShorts_.data());
  ShortRange seen;
  std::size_t missing = 0;
  for (std::size_t row = 0; row < count; ++row) {
    const std::size_t storedRow = latitude_.ascending ? count - 1 - row : row;
    missing += DecodePlainShorts(storedShorts_.data() + storedRow * columns,
                                 heights.data() + row * columns, columns, *plainShorts_, seen);
  }
  if (seen.lowest <= seen.highest) {
    lowest_ = std::min<double>(lowest_.value_or(HUGE_VAL), seen.lowest);
    highest_ = std::max<double>(highest_.value_or(-HUGE_VAL), seen.highest);
  }
  return missing;
}

void NetcdfGrid::ReadBlock(std::size_t first, std::size_t count, std::size_t firstColumn,
                           std::size_t columns, std::span<double> heights) {
  stored_.resize(count * columns * typeSize_);
  ReadStored(first, count, firstColumn, columns, stored_.data());
  for (std::size_t row = 0; row < count; ++row) {
    const std::size_t storedRow = latitude_.ascending ? count - 1 - row : row;
    const unsigned char* from = stored_.data() + storedRow * columns * typeSize_;
    const std::span<double> to = heights.subspan(row * columns, columns);
    switch (type_) {
      case NC_BYTE:
        Decode<std::int8_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_UBYTE:
        Decode<std::uint8_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_SHORT:
        Decode<std::int16_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_USHORT:
        Decode<std::uint16_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_INT:
        Decode<std::int32_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_UINT:
        Decode<std::uint32_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_INT64:
        Decode<std::int64_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_UINT64:
        Decode<std::uint64_t>(from, to, coding_, lowest_, highest_);
        break;
      case NC_FLOAT:
        Decode<float>(from, to, coding_, lowest_, highest_);
        break;
      default:
        Decode<double>(from, to, coding_, lowest_, highest_);
        break;
    }
  }
}

}  // namespace orandu
