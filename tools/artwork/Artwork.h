// The editor's images, painted by our own code: every id the editor loads, at
// the four screen sizes, and a contact sheet of them to look at.
#pragma once

#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t;

namespace artwork {

struct TImageSize {
    int width;
    int height;
};

// Every 100 % id the editor loads, ascending.
const std::vector<int>& getArtworkIds();
// The size of an image at a screen size (0..3); 0 x 0 for an unknown id.
TImageSize getArtworkSize(int id, int screenSize);
// Paints one image; the caller destroys the surface. Null for an unknown id.
cairo_surface_t* renderArtwork(int id, int screenSize);
// Writes every image at every size as <id + 1000 x size>.png into folder.
bool writeArtwork(const std::string& folder, std::string& error);
// Every image at 100 % and the three pages at 150 % on one sheet. With
// outlines, the rectangles of the controls that sit on each page are drawn
// over it, to check that boxes and frames line up with them.
bool writeContactSheet(const std::string& path, bool outlines, std::string& error);

}  // namespace artwork
