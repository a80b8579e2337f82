// The refusal of an input, or the failure to write the output, its text complete for the user.
#pragma once

#include <stdexcept>

namespace orandu {

class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The output could not be written; the input was fine.
class OutputError : public ImportError {
 public:
  using ImportError::ImportError;
};

}  // namespace orandu
