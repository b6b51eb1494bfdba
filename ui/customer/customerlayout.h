#pragma once

#include <span>

#include "ui/toolkit/placement.h"

// The customer window's controls, one line each, in the order they are made.
std::span<const placement::Control> CustomerLayout();
