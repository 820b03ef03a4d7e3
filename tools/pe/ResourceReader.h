// Reads the resource tree of an image into memory.
#pragma once

#include "PeImage.h"
#include "ResourceTree.h"

namespace brisel::pe {

// Every resource of the image, with a copy of its bytes; an image without
// resources gives an empty tree. Throws FormatError on a malformed tree.
ResourceTree ReadResources(const PeImage& image);

} // namespace brisel::pe
