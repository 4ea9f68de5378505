#pragma once
// The host's "Encoding" entry: how that host's texts are read and typed (see CTextEncoding).
// Read at every use, like the other display settings, so that a change shows at once.

#include <string>

#include "res/TextEncoding.h"

class CSettingsStore;

// Auto for an empty host (no connection: nothing to read or create) and for any value that
// is not one of the three.
CTextEncoding::Kind ReadHostEncoding(CSettingsStore& store, const std::string& host);
