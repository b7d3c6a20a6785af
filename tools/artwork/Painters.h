// The painters behind the image table, one per kind of image.
#pragma once

#include "tools/artwork/ArtCanvas.h"
#include "tools/artwork/Artwork.h"

namespace artwork {

// Pages: the window's three backgrounds.
void paintMainPage(TArtCanvas& canvas);
void paintSamplePage(TArtCanvas& canvas);
void paintBackPage(TArtCanvas& canvas);

// Panels behind the two containers; the source panel has one form per source.
enum class TSourceForm { wave, noise, sample };
TImageSize getSourcePanelSize(int screenSize);
TImageSize getModFXPanelSize(int screenSize);
void paintSourcePanel(TArtCanvas& canvas, TSourceForm form);
void paintModFXPanel(TArtCanvas& canvas);

// Small images: each has its own size.
TImageSize getIconSize(int id, int screenSize);
void paintIcon(TArtCanvas& canvas, int id);

}  // namespace artwork
