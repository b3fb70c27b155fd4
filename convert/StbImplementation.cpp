// The implementations of the stb headers the texture conversion (and, writing its test maps, the
// tests) use. On Linux they come with Debian's libstb; the Windows build compiles them here from
// the same headers.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>
