// The one exception type for thrown texts: components that fail with a message
// (emitters, cut drivers, curve and parameter set-up) throw it, and the page
// and line steps that guard them catch it and report what() to the user.
#pragma once

#include <stdexcept>
#include <string>

class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
