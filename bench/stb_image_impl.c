/* stb_image, compiled once for the image benchmark. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO_WARNINGS
#include <stb/stb_image.h>
