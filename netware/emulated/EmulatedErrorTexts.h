// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated client's error-text library: the texts of the completion codes
// it gives.
#pragma once

#include <memory>

#include "netware/emulated/EmulatedClient.h"

// nullptr for ErrorTextLibraryMode::Absent.
std::unique_ptr<NWErrorTextLibrary> MakeEmulatedErrorTextLibrary(ErrorTextLibraryMode mode);
