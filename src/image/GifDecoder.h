#pragma once
// Decodes a GIF file with giflib as its bytes arrive, drawing every image of the file in
// turn over one picture of the logical screen's size, and delivering each row as soon as
// it is decoded (interlaced images in the order of their passes). Extensions are read and
// have no effect. Pixels whose index has no colour (beyond the map, or no map at all) stay
// grey.

class CByteSource;
class CPictureSink;

class CGifDecoder final {
public:
    enum class Result {
        Done,    // the file ended (terminator, or an error after the picture started)
        Invalid, // not a GIF, or a screen size too large to show: the user was told
        Stopped, // the sink no longer wanted the picture
    };

    static Result Decode(CByteSource& source, CPictureSink& sink);
};
