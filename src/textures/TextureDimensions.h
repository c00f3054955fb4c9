// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"
#include "platform/Image.h"

#include <GL/gl.h>
#include <cstdint>

// The exponent of the largest texture edge any Detail gives: 2048, a texture of 16 MiB,
// twice the largest edge the settings sheet offers. A GL that takes 16384 x 16384
// textures would otherwise let a hand-edited Detail cost a gigabyte a texture, and as
// much again for the picture and its copies.
inline constexpr int kLargestEdgeExponent = 11;

// The exponent of the largest texture edge for a Detail level: Detail + 5, kept
// between 0 and the smaller of kLargestEdgeExponent and log2 of the context's
// GL_MAX_TEXTURE_SIZE, so that no Detail a settings file holds can overflow the
// shift, ask for a texture GL refuses or hold more than the largest texture's memory.
int maximumEdgeExponent(std::int64_t detail, GLint maxTextureSize);

// The picture's size shrunk, keeping its aspect ratio, so that its longer edge is at
// most maximumEdge and its shorter edge at least 1; a picture that already fits is
// returned unchanged (never enlarged).
Size fittedSize(Size picture, float maximumEdge);

// The smallest power of two, at least 1, that is not less than pixels.
int textureEdge(int pixels);

// A picture shrunk to its texture's size and drawn: everything of a texture but the
// GL part, so it can be made on any thread and kept for later.
struct FittedPicture {
    Size fitted;
    Image::Bitmap bitmap;
};

// The largest texture edge for the Detail setting read from the settings store at
// this call and the current GL context's limit. Needs a current GL context.
float currentMaximumEdge();

// The picture shrunk to maximumEdge (fittedSize) and captured; nothing when its
// pixels cannot be decoded. Needs neither GL nor the settings.
std::optional<FittedPicture> fitPicture(Image& image, float maximumEdge);

// The GL half of generateTextureDimensions: the fitted picture flipped into a
// power-of-two bitmap and uploaded; returns the texture name.
GLuint generateTextureDimensions(const FittedPicture& picture, Size* dimensions, Size* span);

// Turns the picture into a new GL_TEXTURE_2D texture with power-of-two edges, the
// picture upright in its lower-left corner, shrunk to the Detail setting read from
// the settings store at this call. Writes the fitted size and the span (fitted
// size / texture size, each in (0, 1]) where the pointers are not null. Returns the
// texture name, owned by the caller; 0 (and nothing generated or written) when the
// picture cannot be drawn. Needs a current GL context; leaves the texture bound and
// the unpack row length and alignment changed.
GLuint generateTextureDimensions(Image& image, Size* dimensions, Size* span);
