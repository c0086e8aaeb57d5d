// Helpers of the kit's tests.
#pragma once

#include "classlib/System.h"

#include <exception>
#include <string>

namespace kittest {

// The message of the exception of kind E that f raises; a text saying otherwise when it
// raises another or none.
template <class E, class F>
std::string messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return std::string("other exception: ") + e.what();
    }
    return "no exception";
}

}  // namespace kittest
