// What the test modes do to a connection once its chatter has logged in: floods,
// NUL bytes, garbage, an endless line, and the two ways of ending abruptly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "Options.h"

namespace tavik::server {

class Connection;

// A feeder (see Connection::setFeeder) that plays the configured faults in a fixed
// order: flood, NUL lines, garbage, long line, then close mid-line or reset.
std::function<bool(Connection&)> makeFaultFeeder(const FaultOptions& faults, std::uint32_t seed);

// Line number `number` (counting from 1) of a flood of `total` lines, line end included.
// Every line names its number as "Zeile K von N" so that a reader can check order
// and completeness.
std::string floodLine(long number, long total);

}  // namespace tavik::server
