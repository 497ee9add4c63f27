#pragma once
// The handset picture: the skin image with the virtual buttons in their
// states, the card title and the indicators, kept as one cairo image at
// the skin's size. Both backends show it; the canvas and the native
// controls lie over it.
#include <cairo.h>

#include "shell/skin/skin.h"

enum ButtonState { BUTTON_UP, BUTTON_DOWN, BUTTON_HIGHLIGHT };

// Takes the skin (kept by pointer) and makes the picture at its size;
// false when the picture cannot be made.
bool setHandsetSkin(const SkinDefinition *skin);
// The picture, or null before a skin is set.
cairo_surface_t *handsetSurface();
void releaseHandsetPicture();

// The whole window: the skin image, the push indicator when one waits, the
// connection indicator as last shown and the title.
void paintSkin();
void paintButton(int index, ButtonState state);
void paintSkinTitle();
// Draws the "on" or "off" picture (nothing without both pictures).
void paintConnectionIndicator(bool on);
