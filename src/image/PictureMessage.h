#pragma once
// A message a decoder has for the user; the picture window shows it in a box.

#include <string>

#include "base/MessageSink.h"

struct CPictureMessage {
    std::string title; // empty: the program's name
    std::string text;
    CMessageSink::Icon icon = CMessageSink::Icon::Information;
};
