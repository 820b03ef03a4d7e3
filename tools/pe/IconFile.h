// Icon files (.ico) and the program icon of an image: an icon group
// resource that lists icon resources, one per size and colour depth.
#pragma once

#include "ResourceTree.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::pe {

struct IconImage {
    std::string entry; // the 12 bytes that describe it: size, colours, planes, bits, length
    std::string bytes; // the image: a DIB or a PNG
};

// The images of an icon file. Throws FormatError naming what is wrong.
std::vector<IconImage> ParseIconFile(std::string_view bytes);

// Replaces the image's program icon (its first icon group, with the icon
// resources the group lists) by the images, keeping the group's name and
// language. Throws FormatError when the tree has no icon group.
void ReplaceProgramIcon(ResourceTree& tree, const std::vector<IconImage>& images);

} // namespace brisel::pe
