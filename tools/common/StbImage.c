/* stb_image's decoder, compiled once for the tools. Which formats and code
   paths it has is set where the library is built (tools/CMakeLists.txt). */
#define STB_IMAGE_IMPLEMENTATION
#include "stb/stb_image.h"
