#pragma once
// Errors raised by the PDF layer. what() is a message fit for a person.
#include <stdexcept>
#include <string>

namespace pdf {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace pdf
