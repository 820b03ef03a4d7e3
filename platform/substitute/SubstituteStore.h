// The in-memory world behind the host substitutes of the platform layer.
// Tests fill it before they run the logic and reset it afterwards.
#pragma once

#include <map>
#include <string>
#include <utility>

namespace brisel::substitute {

// Package resources keyed by (type, name).
std::map<std::pair<std::string, std::string>, std::string>& PackageResources();

// Clears every substitute store.
void ResetAll();

} // namespace brisel::substitute
