#pragma once
// The program's string table: user-visible texts keyed by their resource ids
// (messages, tool tips, command tips). An unknown id gives the empty string.

#include <string>

std::string LoadString(int id);
