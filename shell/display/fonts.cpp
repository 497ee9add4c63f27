#include "shell/display/fonts.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <string>

#include "common/log.h"
#include "shell/display.h"

namespace {

constexpr const char *FONT_FAMILY = "Liberation Sans";
constexpr const char *FONT_DIRS[] = {
    "/usr/share/fonts/truetype/liberation2/",
    "/usr/share/fonts/truetype/liberation/",
};
constexpr const char *FONT_FILES[] = {
    "LiberationSans-Regular.ttf",
    "LiberationSans-Bold.ttf",
    "LiberationSans-Italic.ttf",
    "LiberationSans-BoldItalic.ttf",
};
// The style bits that choose a font; the others only change the width or
// what is drawn around the text.
constexpr uint8_t FONT_BITS = STYLE_ITALIC | STYLE_BOLD | STYLE_BIG | STYLE_UNDERLINE | STYLE_SMALL;
constexpr int BASE_CELL_HEIGHT = 15;
// The size at which the font's ascent + descent is measured; large, so
// that hinting rounds away nothing that matters.
constexpr int PROBE_EM = 1000;

FcConfig *gFontConfig = nullptr;                 // only the Liberation Sans files
PangoFontMap *gFontMap = nullptr;                // pango-cairo map on gFontConfig
PangoContext *gFontContext = nullptr;            // pinned options, shared by all layouts
double gCellPerEm = 0;                           // (ascent + descent) / em of the font
double gAscentPerCell = 0;                       // ascent / (ascent + descent)
bool gFontsFailed = false;                       // loading failed once: do not retry each call
PangoLayout *gStyleLayouts[FONT_BITS + 1] = {};  // per style & FONT_BITS

int addFontFiles(FcConfig *config)
{
    for (const char *dir : FONT_DIRS) {
        int added = 0;
        for (const char *file : FONT_FILES) {
            std::string path = std::string(dir) + file;
            if (FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8 *>(path.c_str())))
                added++;
        }
        if (added > 0)
            return added;
    }
    return 0;
}

PangoFontDescription *makeDescription(double emPixels, bool bold, bool italic)
{
    PangoFontDescription *desc = pango_font_description_new();
    pango_font_description_set_family(desc, FONT_FAMILY);
    pango_font_description_set_weight(desc, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(desc, emPixels * PANGO_SCALE);
    return desc;
}

// A cell height is ascent + descent, pango's size is the em: measure the
// font's ratio once instead of trusting a constant.
bool measureCellPerEm()
{
    PangoFontDescription *desc = makeDescription(PROBE_EM, false, false);
    PangoFontMetrics *metrics = pango_context_get_metrics(gFontContext, desc, nullptr);
    pango_font_description_free(desc);
    if (!metrics)
        return false;
    int ascent = pango_font_metrics_get_ascent(metrics);
    int cell = ascent + pango_font_metrics_get_descent(metrics);
    pango_font_metrics_unref(metrics);
    gCellPerEm = static_cast<double>(cell) / (PROBE_EM * PANGO_SCALE);
    gAscentPerCell = cell > 0 ? static_cast<double>(ascent) / cell : 0;
    return gCellPerEm > 0.5 && gCellPerEm < 3;
}

bool failFonts(const char *why)
{
    Log_str(why);
    releaseDisplayFonts();
    gFontsFailed = true;
    return false;
}

bool loadFonts()
{
    if (gFontContext)
        return true;
    if (gFontsFailed)
        return false;
    gFontConfig = FcConfigCreate();
    if (!gFontConfig || addFontFiles(gFontConfig) == 0)
        return failFonts("Display: no Liberation Sans font files\n");
    gFontMap = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (!gFontMap || !PANGO_IS_FC_FONT_MAP(gFontMap))
        return failFonts("Display: no fontconfig font map\n");
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(gFontMap), gFontConfig);
    gFontContext = pango_font_map_create_context(gFontMap);

    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(gFontContext, options);
    cairo_font_options_destroy(options);
    pango_context_set_language(gFontContext, pango_language_from_string("en"));
    pango_context_set_base_dir(gFontContext, PANGO_DIRECTION_LTR);

    if (!measureCellPerEm())
        return failFonts("Display: cannot measure the font\n");
    return true;
}

PangoLayout *makeStyleLayout(uint8_t style)
{
    PangoLayout *layout = pango_layout_new(gFontContext);
    double em = styleCellHeight(style) / gCellPerEm;
    PangoFontDescription *desc = makeDescription(em, style & STYLE_BOLD, style & STYLE_ITALIC);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);

    // Text is drawn as the handset did: no kerning and no ligatures, so a
    // run's width is the sum of its characters' and every prefix can be cut.
    PangoAttrList *attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_font_features_new("kern 0, liga 0, clig 0"));
    if (style & STYLE_UNDERLINE)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_auto_dir(layout, FALSE);
    return layout;
}

}  // namespace

int styleCellHeight(uint8_t style)
{
    int height = BASE_CELL_HEIGHT;
    if (style & STYLE_BIG)
        height += 2;
    if (style & STYLE_SMALL)
        height -= 2;
    return height;
}

int styleBaseline(uint8_t style) { return static_cast<int>(styleCellHeight(style) * gAscentPerCell + 0.5); }

PangoLayout *styleLayout(uint8_t style)
{
    if (!loadFonts())
        return nullptr;
    uint8_t key = style & FONT_BITS;
    if (!gStyleLayouts[key])
        gStyleLayouts[key] = makeStyleLayout(key);
    return gStyleLayouts[key];
}

void releaseDisplayFonts()
{
    for (PangoLayout *&layout : gStyleLayouts) {
        if (layout)
            g_object_unref(layout);
        layout = nullptr;
    }
    if (gFontContext)
        g_object_unref(gFontContext);
    gFontContext = nullptr;
    if (gFontMap)
        g_object_unref(gFontMap);
    gFontMap = nullptr;
    if (gFontConfig)
        FcConfigDestroy(gFontConfig);
    gFontConfig = nullptr;
    gCellPerEm = 0;
    gFontsFailed = false;
}

// fontconfig keeps its patterns behind offset-encoded pointers that the
// leak checker cannot follow, so everything it holds looks lost. Weak, so
// that a program with suppressions of its own keeps them.
extern "C" __attribute__((weak)) const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
