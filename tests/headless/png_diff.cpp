// Compares two PNG files pixel by pixel: exit 0 when they are the same
// size and every pixel is equal, 1 otherwise (with the count on stdout).
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <utility>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: png_diff EXPECTED.png ACTUAL.png\n");
        return 2;
    }
    cairo_surface_t *a = cairo_image_surface_create_from_png(argv[1]);
    cairo_surface_t *b = cairo_image_surface_create_from_png(argv[2]);
    int status = 1;
    if (cairo_surface_status(a) || cairo_surface_status(b)) {
        std::printf("png_diff: cannot read %s\n", cairo_surface_status(a) ? argv[1] : argv[2]);
    } else if (cairo_image_surface_get_width(a) != cairo_image_surface_get_width(b) ||
               cairo_image_surface_get_height(a) != cairo_image_surface_get_height(b)) {
        std::printf("png_diff: sizes differ\n");
    } else {
        cairo_surface_t *sb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(a),
                                                         cairo_image_surface_get_height(a));
        cairo_surface_t *sa = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(a),
                                                         cairo_image_surface_get_height(a));
        // Both drawn into one format, so that PNG colour types don't matter.
        for (auto [from, to] : {std::pair{a, sa}, std::pair{b, sb}}) {
            cairo_t *cr = cairo_create(to);
            cairo_set_source_surface(cr, from, 0, 0);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(to);
        }
        int width = cairo_image_surface_get_width(sa), height = cairo_image_surface_get_height(sa);
        long differing = 0;
        for (int y = 0; y < height; y++) {
            const uint32_t *ra = reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(sa) +
                                                                    y * cairo_image_surface_get_stride(sa));
            const uint32_t *rb = reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(sb) +
                                                                    y * cairo_image_surface_get_stride(sb));
            for (int x = 0; x < width; x++)
                differing += ra[x] != rb[x];
        }
        if (differing)
            std::printf("png_diff: %ld of %d pixels differ\n", differing, width * height);
        status = differing ? 1 : 0;
        cairo_surface_destroy(sa);
        cairo_surface_destroy(sb);
    }
    cairo_surface_destroy(a);
    cairo_surface_destroy(b);
    return status;
}
