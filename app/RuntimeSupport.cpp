// Replacements for a few entry points of the C++ runtime that would each
// pull large parts of it into the executable. The installer is one
// single-threaded GUI program whose event handlers and entry catch every
// exception, so none of the replaced behaviour is needed:
//  - the verbose terminate handler brings the symbol demangler (~50 KB);
//  - the runtime's own throw helpers for out-of-range, length and logic
//    errors build std::logic_error objects with their reference-counted
//    strings (~45 KB). Here they raise the program's own errors instead,
//    which the standard error report shows like any other.
#include "core/Exceptions.h"

#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

// Every helper of the runtime's object that defines them must be replaced
// here, or that object is linked as well and the link fails.
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_alloc();
}
void __throw_bad_cast() {
    throw std::bad_cast();
}
void __throw_bad_typeid() {
    throw std::bad_typeid();
}
void __throw_bad_exception() {
    throw std::bad_exception();
}
void __throw_bad_function_call() {
    throw brisel::Exception("Bad function call");
}
void __throw_logic_error(const char*) {
    throw brisel::Exception("Logic error");
}
void __throw_domain_error(const char*) {
    throw brisel::Exception("Domain error");
}
void __throw_invalid_argument(const char*) {
    throw brisel::Exception("Invalid argument");
}
void __throw_length_error(const char*) {
    throw brisel::Exception("Length error");
}
void __throw_out_of_range(const char*) {
    throw brisel::ERangeError("Range check error");
}
void __throw_out_of_range_fmt(const char*, ...) {
    throw brisel::ERangeError("Range check error");
}
void __throw_runtime_error(const char*) {
    throw brisel::Exception("Runtime error");
}
void __throw_range_error(const char*) {
    throw brisel::Exception("Range error");
}
void __throw_overflow_error(const char*) {
    throw brisel::Exception("Overflow error");
}
void __throw_underflow_error(const char*) {
    throw brisel::Exception("Underflow error");
}

} // namespace std
